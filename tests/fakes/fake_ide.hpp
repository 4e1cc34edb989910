// The IDE's extensibility object model for tests: projects, components, the file-control
// events and the command bars, in memory. What the code under test does to them goes into one
// journal, in order; tests raise the IDE's events and clicks through helpers.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ide.hpp"
#include "tests/fakes/fake_clipboard.hpp"
#include "tests/fakes/sink_set.hpp"
#include "tests/fakes/unexpected.hpp"

namespace fakes {

namespace ide = platform::ide;

// "Method '...' of object '...' failed", as the command bars raise it.
inline constexpr int kMethodFailed = -2147467259;

struct StateWrite {
  std::string component;
  long value = 0;
  bool operator==(const StateWrite&) const = default;
};
struct SaveAsCall {
  std::string object;  // a component's or a project's name
  std::string path;
  bool operator==(const SaveAsCall&) const = default;
};
struct DirtyWrite {
  std::string project;
  bool value = false;
  bool operator==(const DirtyWrite&) const = default;
};
struct Reload {
  std::string path;
  bool flag = false;
  bool operator==(const Reload&) const = default;
};
std::ostream& operator<<(std::ostream& out, const StateWrite& w);
std::ostream& operator<<(std::ostream& out, const SaveAsCall& s);
std::ostream& operator<<(std::ostream& out, const DirtyWrite& w);
std::ostream& operator<<(std::ostream& out, const Reload& r);

// What the code under test did to the IDE's objects.
struct IdeJournal {
  std::vector<StateWrite> state_writes;
  std::vector<SaveAsCall> saves;
  std::vector<DirtyWrite> dirty_writes;
  std::vector<short> lock_mode_writes;
  std::vector<Reload> reloads;
  std::vector<Connection> connections;
  long next_connection = 1;  // one numbering for all sources, so a number given to the wrong one fails
};

class FakeComponent : public ide::VBComponent {
 public:
  FakeComponent(std::shared_ptr<IdeJournal> journal, std::string name, std::vector<std::string> files,
                long state = 0);
  // Arrangements: not recorded.
  void SetDirty(bool dirty) { dirty_ = dirty; }
  const std::vector<std::string>& files() const { return files_; }

  std::string Name() const override { return name_; }
  int FileCount() const override { return static_cast<int>(files_.size()); }
  std::string FileNames(int index) const override;
  bool IsDirty() const override { return dirty_; }
  // Saves under `path`: it becomes the first file name and the component is clean.
  void SaveAs(const std::string& path) override;
  long State() const override { return state_; }
  void SetState(long value) override;

 private:
  std::shared_ptr<IdeJournal> journal_;
  std::string name_;
  std::vector<std::string> files_;
  long state_;
  bool dirty_ = false;
};

class FakeComponents : public ide::VBComponents {
 public:
  explicit FakeComponents(std::vector<std::shared_ptr<FakeComponent>> items) : items_(std::move(items)) {}
  int Count() const override { return static_cast<int>(items_.size()); }
  std::shared_ptr<ide::VBComponent> Item(int index) override;

 private:
  std::vector<std::shared_ptr<FakeComponent>> items_;
};

class FakeProject : public ide::VBProject {
 public:
  FakeProject(std::shared_ptr<IdeJournal> journal, std::string name, std::string file_name);

  std::shared_ptr<FakeComponent> AddComponent(std::string name, std::vector<std::string> files,
                                              long state = 0);
  // nullptr when there is none of that name.
  std::shared_ptr<FakeComponent> Component(std::string_view name) const;
  // The selection in the Project window, in this order.
  void Select(const std::vector<std::string>& names);
  void SetDirty(bool dirty) { dirty_ = dirty; }

  // The project's requests to the connected live sinks; each answers how many it reached.
  int RaiseCheckOut();
  int RaiseCheckIn();
  int RaiseFetch();
  int RaiseUnCheckOut();
  std::size_t connected() const { return sinks_.connected(); }

  std::string FileName() const override { return file_name_; }
  std::string Name() const override { return name_; }
  bool IsDirty() const override { return dirty_; }
  void SetIsDirty(bool value) override;
  // Saves under `path`: it becomes the file name and the project is clean.
  void SaveAs(const std::string& path) override;
  std::shared_ptr<ide::VBComponents> Components() override;
  std::shared_ptr<ide::VBComponents> SelectedComponents() override;
  long ConnectEvents(std::weak_ptr<ide::ProjectEvents> sink) override;
  void DisconnectEvents(long connection) override;

 private:
  int Raise(void (ide::ProjectEvents::*event)());

  std::shared_ptr<IdeJournal> journal_;
  std::string name_;
  std::string file_name_;
  bool dirty_ = false;
  std::vector<std::shared_ptr<FakeComponent>> components_;
  std::vector<std::shared_ptr<FakeComponent>> selected_;
  SinkSet<ide::ProjectEvents> sinks_;
};

// Raises the file-control events to the connected live sinks. Arguments a sink may change
// are passed by reference; the Cancel or CancelDefault the sinks left is the answer.
class FakeFileControl : public ide::FileControl {
 public:
  explicit FakeFileControl(std::shared_ptr<IdeJournal> journal) : journal_(std::move(journal)) {}
  std::size_t connected() const { return sinks_.connected(); }

  void RaiseAfterAddFile(std::string filename);
  void RaiseAfterChangeFileName(int file_type, std::string new_name, std::string old_name);
  void RaiseAfterCloseFile(std::vector<std::string> file_names);
  void RaiseAfterRemoveFile(std::string filename);
  void RaiseAfterWriteFile(std::string filename, int success);
  void RaiseBeforeLoadFile(std::vector<std::string> file_names);
  bool RaiseDoGetAddFileName(std::vector<std::string>& file_names);
  bool RaiseDoGetNewFileName(int file_type, std::string& new_name, std::string old_name);
  bool RaiseDoGetOpenProjectName(std::string& project_name);
  void RaiseAfterNewProject(std::string project_name);
  bool RaiseRequestChangeFileName(int file_type, std::string new_name, std::string old_name);
  bool RaiseRequestWriteFile(std::string filename);

  long ConnectEvents(std::weak_ptr<ide::FileControlEvents> sink) override;
  void DisconnectEvents(long connection) override;

 private:
  template <class Event>
  void Raise(Event&& event) {
    for (const auto& sink : sinks_.Live()) event(*sink);
  }

  std::shared_ptr<IdeJournal> journal_;
  SinkSet<ide::FileControlEvents> sinks_;
};

class FakeApplication : public ide::Application {
 public:
  FakeApplication();

  const IdeJournal& journal() const { return *journal_; }
  std::shared_ptr<IdeJournal> shared_journal() const { return journal_; }
  // A new project, which becomes the active one.
  std::shared_ptr<FakeProject> AddProject(std::string name, std::string file_name);
  // nullptr: no project is open.
  void SetActiveProject(std::shared_ptr<FakeProject> project) { active_ = std::move(project); }
  std::shared_ptr<FakeProject> active_project() const { return active_; }
  std::shared_ptr<FakeFileControl> file_control() const { return file_control_; }
  // Runs on each ReloadProject, e.g. to put a fresh project in place.
  void OnReload(std::function<void(const Reload&)> hook) { on_reload_ = std::move(hook); }

  std::shared_ptr<ide::VBProject> ActiveProject() override;
  std::shared_ptr<ide::FileControl> GetFileControl() override { return file_control_; }
  void SetLockMode(short value) override;
  short LockMode() const override { return lock_mode_; }
  void ReloadProject(const std::string& path, bool flag) override;

 private:
  std::shared_ptr<IdeJournal> journal_;
  std::shared_ptr<FakeProject> active_;
  std::shared_ptr<FakeFileControl> file_control_;
  short lock_mode_ = 0;
  std::function<void(const Reload&)> on_reload_;
};

// ---- Command bars ------------------------------------------------------------------------

class FakeCommandBar;

class FakeCommandBarControl : public ide::CommandBarControl,
                              public std::enable_shared_from_this<FakeCommandBarControl> {
 public:
  FakeCommandBarControl(std::weak_ptr<FakeCommandBar> bar, FakeClipboard& clipboard, std::string owner,
                        std::string caption, long serial);

  // "host" for the bar's own items, "addin" for those the code under test added.
  const std::string& owner() const { return owner_; }
  // What the item shows, readable after a Delete too.
  const std::string& caption() const { return caption_; }
  bool begin_group() const { return begin_group_; }
  // The index of the picture pasted as the face; none before a PasteFace.
  std::optional<int> face() const { return face_; }
  bool deleted() const { return deleted_; }
  long serial() const { return serial_; }
  void Subscribe(std::weak_ptr<ide::CommandBarClick> sink, std::string_view handler) {
    sinks_.push_back(std::move(sink));
    handlers_.emplace_back(handler);
  }
  // The add-in's variable that keeps the control, as Add was told; its subscriptions' names.
  const std::string& member() const { return member_; }
  void SetMember(std::string_view member) { member_ = member; }
  const std::vector<std::string>& handlers() const { return handlers_; }
  // Clicks the control: every live subscriber's Click runs. Answers how many ran.
  int Click();

  // A deleted control raises kMethodFailed for everything.
  void SetCaption(const std::string& caption) override;
  std::string Caption() const override;
  void SetBeginGroup(bool value) override;
  bool BeginGroup() const override;
  void PasteFace() override;
  void Delete() override;

 private:
  void CheckAlive(const char* method) const;

  std::weak_ptr<FakeCommandBar> bar_;
  FakeClipboard& clipboard_;
  std::string owner_;
  std::string caption_;
  bool begin_group_ = false;
  std::optional<int> face_;
  bool deleted_ = false;
  long serial_;
  std::vector<std::weak_ptr<ide::CommandBarClick>> sinks_;
  std::string member_;
  std::vector<std::string> handlers_;
};

class FakeCommandBar : public ide::CommandBar, public std::enable_shared_from_this<FakeCommandBar> {
 public:
  FakeCommandBar(std::string name, FakeClipboard& clipboard)
      : name_(std::move(name)), clipboard_(clipboard) {}

  // The items now on the bar, in position order.
  const std::vector<std::shared_ptr<FakeCommandBarControl>>& items() const { return items_; }
  std::vector<std::string> Captions() const;
  // Every item the bar ever had, deleted ones too, in the order they were made.
  const std::vector<std::shared_ptr<FakeCommandBarControl>>& history() const { return history_; }
  // The newest add-in item on the bar with that caption; nullptr when none.
  std::shared_ptr<FakeCommandBarControl> FindAddIn(std::string_view caption) const;

  void AddHostItem(std::string caption);
  // Raises 5 for a position past the end + 1.
  std::shared_ptr<FakeCommandBarControl> Insert(int type, int before);
  void Remove(const FakeCommandBarControl& control);

  std::string Name() const override { return name_; }
  std::shared_ptr<ide::CommandBarControls> Controls() override;

 private:
  std::string name_;
  FakeClipboard& clipboard_;
  std::vector<std::shared_ptr<FakeCommandBarControl>> items_;
  std::vector<std::shared_ptr<FakeCommandBarControl>> history_;
};

class FakeCommandBarControls : public ide::CommandBarControls {
 public:
  explicit FakeCommandBarControls(std::shared_ptr<FakeCommandBar> bar) : bar_(std::move(bar)) {}
  std::shared_ptr<ide::CommandBarControl> Add(int type, int before, std::string_view member) override {
    auto control = bar_->Insert(type, before);
    control->SetMember(member);
    return control;
  }
  int Count() const override { return static_cast<int>(bar_->items().size()); }

 private:
  std::shared_ptr<FakeCommandBar> bar_;
};

class FakeCommandBars : public ide::CommandBars {
 public:
  explicit FakeCommandBars(FakeClipboard& clipboard) : clipboard_(clipboard) {}

  // A bar with the host's own items on it, so positions mean what they mean in the IDE.
  std::shared_ptr<FakeCommandBar> AddBar(std::string name, const std::vector<std::string>& host_items);
  // nullptr when there is none of that name.
  std::shared_ptr<FakeCommandBar> Bar(std::string_view name) const;
  // Strict: asking for an unknown bar is refused rather than raising 5.
  void SetStrict(bool strict) { strict_ = strict; }
  // Clicks the newest add-in item with `caption` on `bar`; refused when there is none. Answers
  // how many live subscribers ran.
  int Click(std::string_view bar, std::string_view caption);

  std::shared_ptr<ide::CommandBar> Item(const std::string& name) override;

 private:
  FakeClipboard& clipboard_;
  std::vector<std::shared_ptr<FakeCommandBar>> bars_;
  bool strict_ = false;
};

class FakeCommandBarEvents : public ide::CommandBarEvents {
 public:
  explicit FakeCommandBarEvents(std::shared_ptr<FakeCommandBarControl> control)
      : control_(std::move(control)) {}
  void Connect(std::weak_ptr<ide::CommandBarClick> sink, std::string_view handler) override {
    control_->Subscribe(std::move(sink), handler);
  }

 private:
  std::shared_ptr<FakeCommandBarControl> control_;
};

class FakeVBE : public ide::VBE {
 public:
  FakeVBE(std::shared_ptr<FakeApplication> app, FakeClipboard& clipboard);

  std::shared_ptr<FakeCommandBars> bars() const { return bars_; }
  void SetFullName(std::string full_name) { full_name_ = std::move(full_name); }

  std::shared_ptr<ide::CommandBars> GetCommandBars() override { return bars_; }
  std::shared_ptr<ide::CommandBarEvents> GetCommandBarEvents(
      std::shared_ptr<ide::CommandBarControl> control) override;
  std::string FullName() const override { return full_name_; }
  std::shared_ptr<ide::VBProject> ActiveVBProject() override { return app_->ActiveProject(); }

 private:
  std::shared_ptr<FakeApplication> app_;
  std::shared_ptr<FakeCommandBars> bars_;
  std::string full_name_ = "C:\\VB\\VB5.EXE";
};

}  // namespace fakes
