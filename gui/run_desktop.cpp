#include <QApplication>
#include <cstdlib>
#include <filesystem>

#include "gui/main_window.hpp"
#include "host/desktop_entry.hpp"

namespace vbhost {

const bool kDesktopBuilt = true;

int RunDesktop(int& argc, char** argv, const std::string& file, const DesktopStart& start) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("vbhost");
  int status = 0;
  {
    vbgui::MainWindow window(start);
    // Beside the add-in's own default Windows directory: ${XDG_CONFIG_HOME:-~/.config}/norbvb5.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    const std::string folder =
        config && config[0] == '/' ? config : std::string(home ? home : "") + "/.config";
    window.SetSettingsFile(folder + "/norbvb5/vbhost.conf");
    window.show();
    if (!file.empty()) window.OpenFile(std::filesystem::absolute(file).lexically_normal().string());
    status = QApplication::exec();
  }
  return status;
}

}  // namespace vbhost
