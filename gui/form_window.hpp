// The add-in's forms as windows, built from their models: what a form shows is read from its
// controls, what a person does on it runs the control's event inside the add-in. The widgets
// never decide for themselves: a list shows its rows in the model's order, a tab strip the tab
// the model selected, a check box the model's value.
#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/forms_ui.hpp"

class QBoxLayout;
class QEventLoop;
class QHBoxLayout;
class QTabBar;
class QVBoxLayout;

namespace vb {
class ImageList;
}
namespace vbhost {
class Transcript;
}

namespace vbgui {

class QtFormsUi;

class FormWindow : public QDialog {
 public:
  FormWindow(vb::Form& form, QtFormsUi& ui);

  // A form without a position of its own (0, 0) is centred on the IDE's main window before it shows.
  void PlaceOverMainWindow();
  // Grown from the form's size until its lists show their columns whole and their rows, within
  // the screen; a size the person gave the window before (kept in the settings file) wins.
  void FitToContent();
  void Settle() { settled_ = true; }
  // Every widget from its control.
  void Sync();
  void SyncControl(vb::Control* control);
  // The form was unloaded: the window forgets it.
  void Detach();
  vb::Form* form() const { return form_; }

 protected:
  void reject() override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;

 private:
  void Build();
  QWidget* Make(vb::Control& control);
  const vb::ImageList* Images(const std::string& name) const;
  // A person's action on the form, run inside the add-in; the window then shows what it did.
  void Act(const std::string& where, const std::function<void()>& action);

  vb::Form* form_;
  QtFormsUi& ui_;
  std::map<vb::Control*, QWidget*> widgets_;
  QTabBar* tabs_ = nullptr;
  bool syncing_ = false;
  bool remembered_ = false;  // opened at the size the person gave it last time
  bool settled_ = false;     // fitted at its modal show; later sizes are the person's
};

class QtFormsUi : public platform::FormsUi {
 public:
  // `call` runs a person's action inside the add-in, reporting its run-time errors.
  using Call = std::function<void(const std::string& where, const std::function<void()>& action)>;
  explicit QtFormsUi(Call call) : call_(std::move(call)) {}
  ~QtFormsUi() override;
  // Where the forms' events go, as a scripted run writes them; null: nowhere.
  void SetTranscript(vbhost::Transcript* transcript) { transcript_ = transcript; }
  // The desktop's settings file, where each form's window size is kept across runs; empty: none.
  void SetSettingsFile(std::string path) { settings_file_ = std::move(path); }
  const std::string& settings_file() const { return settings_file_; }

  void Loaded(vb::Form& form) override;
  void Shown(vb::Form& form, bool modal) override;
  void RunModal(vb::Form& form, const std::function<bool()>& showing) override;
  void Hidden(vb::Form& form) override;
  void Unloaded(std::string_view form_name) override;
  void PropertyWritten(vb::Form& form, vb::Control* control, std::string_view property) override;
  long ScreenWidth() const override;
  long ScreenHeight() const override;

  // The window of a form that is loaded and has been shown, or null.
  FormWindow* Window(const std::string& form) const;
  // Runs a person's action; ends the modal shows it closed.
  void Act(const std::string& where, const std::function<void()>& action);
  // Called at each paced paint while the add-in works without yielding (a lock pass), so that
  // other windows (the Project tree) are drawn at the same pace.
  void OnPacedPaint(std::function<void()> paint) { paced_paint_ = std::move(paint); }

 private:
  struct Modal {
    QEventLoop* loop;
    const std::function<bool()>* showing;
  };
  void EndFinishedModals();

  Call call_;
  vbhost::Transcript* transcript_ = nullptr;
  std::string settings_file_;
  std::map<std::string, FormWindow*> windows_;
  std::vector<Modal> modals_;
  // An exception that must unwind through the add-in's frames (its End), held while the modal
  // loops it passes are left.
  std::exception_ptr pending_;
  // When a window was last drawn at a control's write: writes draw at the screen's pace.
  QElapsedTimer painted_;
  std::function<void()> paced_paint_;
};

}  // namespace vbgui
