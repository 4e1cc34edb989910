#include "tests/fakes/fake_ide.hpp"

#include <algorithm>

#include "vbrt/error.hpp"

namespace fakes {

std::ostream& operator<<(std::ostream& out, const Connection& c) {
  return out << (c.connected ? "Connect{" : "Disconnect{") << c.source << " #" << c.number << "}";
}
std::ostream& operator<<(std::ostream& out, const StateWrite& w) {
  return out << "State{" << w.component << " = " << w.value << "}";
}
std::ostream& operator<<(std::ostream& out, const SaveAsCall& s) {
  return out << "SaveAs{" << s.object << " -> " << s.path << "}";
}
std::ostream& operator<<(std::ostream& out, const DirtyWrite& w) {
  return out << "IsDirty{" << w.project << " = " << (w.value ? "True" : "False") << "}";
}
std::ostream& operator<<(std::ostream& out, const Reload& r) {
  return out << "Reload{" << r.path << ", " << (r.flag ? "True" : "False") << "}";
}

// ---- Components and projects ---------------------------------------------------------------

FakeComponent::FakeComponent(std::shared_ptr<IdeJournal> journal, std::string name,
                             std::vector<std::string> files, long state)
    : journal_(std::move(journal)), name_(std::move(name)), files_(std::move(files)), state_(state) {}

std::string FakeComponent::FileNames(int index) const {
  if (index < 0 || index >= FileCount()) vb::Raise(vb::err::SubscriptOutOfRange);
  return files_[static_cast<std::size_t>(index)];
}

void FakeComponent::SaveAs(const std::string& path) {
  journal_->saves.push_back({name_, path});
  if (files_.empty()) {
    files_.push_back(path);
  } else {
    files_[0] = path;
  }
  dirty_ = false;
}

void FakeComponent::SetState(long value) {
  journal_->state_writes.push_back({name_, value});
  state_ = value;
}

std::shared_ptr<ide::VBComponent> FakeComponents::Item(int index) {
  if (index < 0 || index >= Count()) vb::Raise(vb::err::SubscriptOutOfRange);
  return items_[static_cast<std::size_t>(index)];
}

FakeProject::FakeProject(std::shared_ptr<IdeJournal> journal, std::string name, std::string file_name)
    : journal_(std::move(journal)), name_(std::move(name)), file_name_(std::move(file_name)) {}

std::shared_ptr<FakeComponent> FakeProject::AddComponent(std::string name, std::vector<std::string> files,
                                                         long state) {
  auto c = std::make_shared<FakeComponent>(journal_, std::move(name), std::move(files), state);
  components_.push_back(c);
  return c;
}

std::shared_ptr<FakeComponent> FakeProject::Component(std::string_view name) const {
  for (const auto& c : components_) {
    if (c->Name() == name) return c;
  }
  return nullptr;
}

void FakeProject::Select(const std::vector<std::string>& names) {
  selected_.clear();
  for (const auto& name : names) {
    auto c = Component(name);
    if (!c) RefuseCall("cannot select " + name + ": project " + name_ + " has no such component");
    selected_.push_back(c);
  }
}

void FakeProject::SetIsDirty(bool value) {
  journal_->dirty_writes.push_back({name_, value});
  dirty_ = value;
}

void FakeProject::SaveAs(const std::string& path) {
  journal_->saves.push_back({name_, path});
  file_name_ = path;
  dirty_ = false;
}

std::shared_ptr<ide::VBComponents> FakeProject::Components() {
  return std::make_shared<FakeComponents>(components_);
}

std::shared_ptr<ide::VBComponents> FakeProject::SelectedComponents() {
  return std::make_shared<FakeComponents>(selected_);
}

long FakeProject::ConnectEvents(std::weak_ptr<ide::ProjectEvents> sink) {
  long number = sinks_.Connect(std::move(sink), journal_->next_connection++);
  journal_->connections.push_back({"project " + name_, number, true});
  return number;
}

void FakeProject::DisconnectEvents(long connection) {
  sinks_.Disconnect(connection);
  journal_->connections.push_back({"project " + name_, connection, false});
}

int FakeProject::Raise(void (ide::ProjectEvents::*event)()) {
  auto live = sinks_.Live();
  for (const auto& sink : live) ((*sink).*event)();
  return static_cast<int>(live.size());
}

int FakeProject::RaiseCheckOut() { return Raise(&ide::ProjectEvents::CheckOut); }
int FakeProject::RaiseCheckIn() { return Raise(&ide::ProjectEvents::CheckIn); }
int FakeProject::RaiseFetch() { return Raise(&ide::ProjectEvents::Fetch); }
int FakeProject::RaiseUnCheckOut() { return Raise(&ide::ProjectEvents::UnCheckOut); }

// ---- File control --------------------------------------------------------------------------

long FakeFileControl::ConnectEvents(std::weak_ptr<ide::FileControlEvents> sink) {
  long number = sinks_.Connect(std::move(sink), journal_->next_connection++);
  journal_->connections.push_back({"file control", number, true});
  return number;
}

void FakeFileControl::DisconnectEvents(long connection) {
  sinks_.Disconnect(connection);
  journal_->connections.push_back({"file control", connection, false});
}

void FakeFileControl::RaiseAfterAddFile(std::string filename) {
  Raise([&](ide::FileControlEvents& s) { s.AfterAddFile(filename); });
}

void FakeFileControl::RaiseAfterChangeFileName(int file_type, std::string new_name, std::string old_name) {
  Raise([&](ide::FileControlEvents& s) { s.AfterChangeFileName(file_type, new_name, old_name); });
}

void FakeFileControl::RaiseAfterCloseFile(std::vector<std::string> file_names) {
  Raise([&](ide::FileControlEvents& s) { s.AfterCloseFile(file_names); });
}

void FakeFileControl::RaiseAfterRemoveFile(std::string filename) {
  Raise([&](ide::FileControlEvents& s) { s.AfterRemoveFile(filename); });
}

void FakeFileControl::RaiseAfterWriteFile(std::string filename, int success) {
  Raise([&](ide::FileControlEvents& s) { s.AfterWriteFile(filename, success); });
}

void FakeFileControl::RaiseBeforeLoadFile(std::vector<std::string> file_names) {
  Raise([&](ide::FileControlEvents& s) { s.BeforeLoadFile(file_names); });
}

bool FakeFileControl::RaiseDoGetAddFileName(std::vector<std::string>& file_names) {
  bool cancel_default = false;
  Raise([&](ide::FileControlEvents& s) { s.DoGetAddFileName(file_names, cancel_default); });
  return cancel_default;
}

bool FakeFileControl::RaiseDoGetNewFileName(int file_type, std::string& new_name, std::string old_name) {
  bool cancel_default = false;
  Raise(
      [&](ide::FileControlEvents& s) { s.DoGetNewFileName(file_type, new_name, old_name, cancel_default); });
  return cancel_default;
}

bool FakeFileControl::RaiseDoGetOpenProjectName(std::string& project_name) {
  bool cancel_default = false;
  Raise([&](ide::FileControlEvents& s) { s.DoGetOpenProjectName(project_name, cancel_default); });
  return cancel_default;
}

void FakeFileControl::RaiseAfterNewProject(std::string project_name) {
  Raise([&](ide::FileControlEvents& s) { s.AfterNewProject(project_name); });
}

bool FakeFileControl::RaiseRequestChangeFileName(int file_type, std::string new_name, std::string old_name) {
  bool cancel = false;
  Raise([&](ide::FileControlEvents& s) { s.RequestChangeFileName(file_type, new_name, old_name, cancel); });
  return cancel;
}

bool FakeFileControl::RaiseRequestWriteFile(std::string filename) {
  bool cancel = false;
  Raise([&](ide::FileControlEvents& s) { s.RequestWriteFile(filename, cancel); });
  return cancel;
}

// ---- Application ---------------------------------------------------------------------------

FakeApplication::FakeApplication()
    : journal_(std::make_shared<IdeJournal>()), file_control_(std::make_shared<FakeFileControl>(journal_)) {}

std::shared_ptr<FakeProject> FakeApplication::AddProject(std::string name, std::string file_name) {
  active_ = std::make_shared<FakeProject>(journal_, std::move(name), std::move(file_name));
  return active_;
}

std::shared_ptr<ide::VBProject> FakeApplication::ActiveProject() {
  if (!active_) vb::Raise(vb::err::ObjectNotSet);
  return active_;
}

void FakeApplication::SetLockMode(short value) {
  journal_->lock_mode_writes.push_back(value);
  lock_mode_ = value;
}

void FakeApplication::ReloadProject(const std::string& path, bool flag) {
  journal_->reloads.push_back({path, flag});
  if (on_reload_) on_reload_(Reload(journal_->reloads.back()));
}

// ---- Command bars --------------------------------------------------------------------------

FakeCommandBarControl::FakeCommandBarControl(std::weak_ptr<FakeCommandBar> bar, FakeClipboard& clipboard,
                                             std::string owner, std::string caption, long serial)
    : bar_(std::move(bar)),
      clipboard_(clipboard),
      owner_(std::move(owner)),
      caption_(std::move(caption)),
      serial_(serial) {}

void FakeCommandBarControl::CheckAlive(const char* method) const {
  if (deleted_) {
    vb::Raise(kMethodFailed, std::string("Method '") + method + "' of object '_CommandBarButton' failed");
  }
}

int FakeCommandBarControl::Click() {
  std::shared_ptr<ide::CommandBarControl> self = shared_from_this();
  std::vector<std::shared_ptr<ide::CommandBarClick>> live;
  for (const auto& weak : sinks_) {
    if (auto sink = weak.lock()) live.push_back(std::move(sink));
  }
  bool handled = false;
  bool cancel_default = false;
  for (const auto& sink : live) sink->Click(self, handled, cancel_default);
  return static_cast<int>(live.size());
}

void FakeCommandBarControl::SetCaption(const std::string& caption) {
  CheckAlive("Caption");
  caption_ = caption;
}

std::string FakeCommandBarControl::Caption() const {
  CheckAlive("Caption");
  return caption_;
}

void FakeCommandBarControl::SetBeginGroup(bool value) {
  CheckAlive("BeginGroup");
  begin_group_ = value;
}

bool FakeCommandBarControl::BeginGroup() const {
  CheckAlive("BeginGroup");
  return begin_group_;
}

void FakeCommandBarControl::PasteFace() {
  CheckAlive("PasteFace");
  auto content = clipboard_.GetData();
  auto* picture = std::get_if<platform::Picture>(&content);
  if (picture == nullptr) {
    vb::Raise(kMethodFailed, "Method 'PasteFace' of object '_CommandBarButton' failed");
  }
  face_ = picture->index;
}

void FakeCommandBarControl::Delete() {
  CheckAlive("Delete");
  deleted_ = true;
  if (auto bar = bar_.lock()) bar->Remove(*this);
}

std::vector<std::string> FakeCommandBar::Captions() const {
  std::vector<std::string> out;
  for (const auto& c : items_) out.push_back(c->caption());
  return out;
}

std::shared_ptr<FakeCommandBarControl> FakeCommandBar::FindAddIn(std::string_view caption) const {
  std::shared_ptr<FakeCommandBarControl> newest;
  for (const auto& c : items_) {
    if (c->owner() == "addin" && c->caption() == caption && (!newest || c->serial() > newest->serial()))
      newest = c;
  }
  return newest;
}

void FakeCommandBar::AddHostItem(std::string caption) {
  auto c = std::make_shared<FakeCommandBarControl>(weak_from_this(), clipboard_, "host", std::move(caption),
                                                   static_cast<long>(history_.size()));
  items_.push_back(c);
  history_.push_back(c);
}

std::shared_ptr<FakeCommandBarControl> FakeCommandBar::Insert(int type, int before) {
  if (type != 1)
    RefuseCall("only buttons (type 1) are faked on " + name_ + ", not type " + std::to_string(type));
  if (before < 1 || before > static_cast<int>(items_.size()) + 1) vb::Raise(vb::err::InvalidProcedureCall);
  auto c = std::make_shared<FakeCommandBarControl>(weak_from_this(), clipboard_, "addin", "",
                                                   static_cast<long>(history_.size()));
  items_.insert(items_.begin() + (before - 1), c);
  history_.push_back(c);
  return c;
}

void FakeCommandBar::Remove(const FakeCommandBarControl& control) {
  std::erase_if(items_, [&](const auto& c) { return c.get() == &control; });
}

std::shared_ptr<ide::CommandBarControls> FakeCommandBar::Controls() {
  return std::make_shared<FakeCommandBarControls>(shared_from_this());
}

std::shared_ptr<FakeCommandBar> FakeCommandBars::AddBar(std::string name,
                                                        const std::vector<std::string>& host_items) {
  auto bar = std::make_shared<FakeCommandBar>(std::move(name), clipboard_);
  for (const auto& caption : host_items) bar->AddHostItem(caption);
  bars_.push_back(bar);
  return bar;
}

std::shared_ptr<FakeCommandBar> FakeCommandBars::Bar(std::string_view name) const {
  for (const auto& b : bars_) {
    if (b->Name() == name) return b;
  }
  return nullptr;
}

int FakeCommandBars::Click(std::string_view bar, std::string_view caption) {
  auto b = Bar(bar);
  if (!b) RefuseCall("click on an unknown bar " + std::string(bar));
  auto control = b->FindAddIn(caption);
  if (!control)
    RefuseCall("no add-in item \"" + std::string(caption) + "\" on " + std::string(bar) + " to click");
  return control->Click();
}

std::shared_ptr<ide::CommandBar> FakeCommandBars::Item(const std::string& name) {
  auto b = Bar(name);
  if (b) return b;
  if (strict_) RefuseCall("CommandBars.Item(\"" + name + "\"): no such bar was arranged");
  vb::Raise(vb::err::InvalidProcedureCall);
}

FakeVBE::FakeVBE(std::shared_ptr<FakeApplication> app, FakeClipboard& clipboard)
    : app_(std::move(app)), bars_(std::make_shared<FakeCommandBars>(clipboard)) {}

std::shared_ptr<ide::CommandBarEvents> FakeVBE::GetCommandBarEvents(
    std::shared_ptr<ide::CommandBarControl> control) {
  if (!control) vb::Raise(vb::err::ObjectNotSet);
  auto fake = std::dynamic_pointer_cast<FakeCommandBarControl>(control);
  if (!fake) RefuseCall("CommandBarEvents for a control that is not a FakeCommandBarControl");
  return std::make_shared<FakeCommandBarEvents>(std::move(fake));
}

}  // namespace fakes
