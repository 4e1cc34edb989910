// The desktop and the clipboard as a person has them: Qt's message boxes and message loop, and
// the system clipboard.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>

#include <QMetaObject>

#include "host/host_observer.hpp"
#include "platform/clipboard.hpp"
#include "platform/desktop.hpp"

class QWidget;

namespace vbgui {

class QtDesktop : public platform::Desktop {
 public:
  // `pump` delivers what arrived on the links; `raise` brings a form's window forward; `help`
  // opens the help file a form asked for. The boxes, the foreground and the help are told to
  // `observer` as a scripted run tells them.
  QtDesktop(vbhost::HostObserver& observer, std::function<void()> pump,
            std::function<void(const std::string&)> raise, std::function<void(const std::string&)> help)
      : observer_(observer), pump_(std::move(pump)), raise_(std::move(raise)), help_(std::move(help)) {}

  int MsgBox(std::string_view prompt, int style, std::optional<std::string_view> title) override;
  void DoEvents() override;
  void SetForegroundWindow(std::string_view form) override;
  void ShowHelp(std::string_view form, std::string_view help_file) override;

 private:
  vbhost::HostObserver& observer_;
  std::function<void()> pump_;
  std::function<void(const std::string&)> raise_;
  std::function<void(const std::string&)> help_;
};

// Text goes to the system clipboard as text. A picture goes there as an image; the add-in reads
// back the picture it put there for as long as nobody has copied anything else.
class QtClipboard : public platform::Clipboard {
 public:
  QtClipboard();
  ~QtClipboard() override;
  QtClipboard(const QtClipboard&) = delete;
  QtClipboard& operator=(const QtClipboard&) = delete;
  platform::ClipboardContent GetData() override;
  void SetData(const platform::ClipboardContent& content) override;
  // The pictures that passed through, by index: the faces of the add-in's buttons.
  const platform::Picture* PictureAt(int index) const;

 private:
  std::optional<platform::Picture> picture_;  // none once someone else wrote the clipboard
  bool writing_ = false;
  QMetaObject::Connection watch_;
  std::map<int, platform::Picture> seen_;
};

}  // namespace vbgui
