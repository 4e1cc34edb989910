#include "gui/run_desktop.hpp"

#include <QApplication>
#include <filesystem>

namespace vbgui {

int RunDesktop(int& argc, char** argv, const std::string& file, const DesktopOptions& options) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("vbhost");
  int status = 0;
  {
    MainWindow window(options);
    window.show();
    if (!file.empty()) window.OpenFile(std::filesystem::absolute(file).lexically_normal().string());
    status = QApplication::exec();
  }
  return status;
}

}  // namespace vbgui
