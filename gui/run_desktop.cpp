#include <QApplication>
#include <filesystem>

#include "gui/main_window.hpp"
#include "host/desktop_entry.hpp"

namespace vbhost {

int RunDesktop(int& argc, char** argv, const std::string& file, const DesktopStart& start) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("vbhost");
  int status = 0;
  {
    vbgui::MainWindow window(start);
    window.show();
    if (!file.empty()) window.OpenFile(std::filesystem::absolute(file).lexically_normal().string());
    status = QApplication::exec();
  }
  return status;
}

}  // namespace vbhost
