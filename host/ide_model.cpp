#include "host/ide_model.hpp"

#include <algorithm>

#include "posix/directory.hpp"
#include "posix/file_ops.hpp"
#include "posix/whole_file.hpp"
#include "posix/windows_path.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/error.hpp"
#include "vbrt/strings.hpp"

namespace vbhost {

using posix::CombineWindowsPath;
using posix::ExtensionOf;
using posix::WindowsFileNameOf;
using posix::WindowsFolderOf;
using posix::WithoutExtension;

namespace {

// The text of a project or group file: 53 when there is none, 75 for anything but a regular file
// within kMaxProjectFileSize, never a wait on a FIFO.
std::string ReadProjectText(const posix::PathResolver& resolver, const std::string& windows_path) {
  posix::WholeFile read = posix::ReadRegularFile(resolver.ToPosix(windows_path), kMaxProjectFileSize);
  if (read.missing) vb::Raise(vb::err::FileNotFound);
  if (!read.bytes) vb::Raise(vb::err::PathFileAccessError, windows_path + " " + read.why);
  return std::move(*read.bytes);
}

[[noreturn]] void RaiseInvalid(const ProjectFileError& e, const std::string& windows_path) {
  vb::Raise(kInvalidFileFormat, e.Describe(windows_path));
}

// Whether `path` lies in or below `folder` (Windows paths, case aside).
bool IsWithin(const std::string& path, std::string folder) {
  if (folder.empty() || folder.back() != '\\') folder += '\\';
  return vb::LCase(path).starts_with(vb::LCase(folder));
}
// The text parsed, or 321 naming the file and the line.
template <class Parse>
auto ParsedOrRaise(Parse parse, const std::string& text, const std::string& windows_path) {
  try {
    return parse(text);
  } catch (const ProjectFileError& e) {
    RaiseInvalid(e, windows_path);
  }
}
}  // namespace

std::string ProjectToOpen(const std::string& windows_path, const posix::PathResolver& resolver) {
  if (vb::LCase(ExtensionOf(WindowsFileNameOf(windows_path))) != ".vbg") return windows_path;
  std::string text = ReadProjectText(resolver, windows_path);
  ProjectGroup group = ParsedOrRaise(ParseProjectGroup, text, windows_path);
  std::string folder = WindowsFolderOf(windows_path);
  std::string startup = CombineWindowsPath(folder, group.startup);
  auto invalid = [&](const std::string& reason) {
    RaiseInvalid(ProjectFileError(group.startup_line, reason), windows_path);
  };
  if (vb::LCase(startup) == vb::LCase(CombineWindowsPath(folder, WindowsFileNameOf(windows_path)))) {
    invalid("the startup project is the group itself");
  }
  if (vb::LCase(ExtensionOf(WindowsFileNameOf(startup))) == ".vbg") {
    invalid("the startup project is a project group");
  }
  bool inside = IsWithin(startup, folder);
  for (const auto& other : group.projects) {
    inside = inside || IsWithin(startup, WindowsFolderOf(CombineWindowsPath(folder, other)));
  }
  if (!inside) invalid("the startup project lies outside the group's folders");
  return startup;
}

HostComponent::HostComponent(IdeHost& host, ComponentKind kind, std::string name,
                             std::vector<std::string> files)
    : host_(host), kind_(kind), name_(std::move(name)), files_(std::move(files)) {}

std::string HostComponent::FileNames(int index) const {
  if (index < 0 || index >= FileCount()) vb::Raise(vb::err::SubscriptOutOfRange);
  return files_[static_cast<std::size_t>(index)];
}

void HostComponent::Reread(ComponentKind kind, std::string name, std::vector<std::string> files) {
  kind_ = kind;
  name_ = std::move(name);
  files_ = std::move(files);
  dirty_ = false;
  text_.reset();
  state_ = 0;
}

void HostComponent::SaveAs(const std::string& path) { host_.SaveComponentAs(*this, path); }

void HostComponent::SetState(long value) {
  state_ = value;
  host_.Emit(events::State{Name(), value});
}

std::shared_ptr<platform::ide::VBComponent> HostComponents::Item(int index) {
  if (index < 0 || index >= Count()) vb::Raise(vb::err::SubscriptOutOfRange);
  return items_[static_cast<std::size_t>(index)];
}

std::shared_ptr<HostProject> HostProject::Load(const std::string& windows_path,
                                               const posix::PathResolver& resolver, IdeHost& host,
                                               ConnectionNumbers& numbers) {
  std::shared_ptr<HostProject> project(new HostProject(resolver, host, numbers));
  project->ReadFrom(windows_path);
  return project;
}

std::shared_ptr<HostProject> HostProject::NewUnsaved(const posix::PathResolver& resolver, IdeHost& host,
                                                     ConnectionNumbers& numbers) {
  return std::shared_ptr<HostProject>(new HostProject(resolver, host, numbers));
}

std::shared_ptr<HostComponent> HostProject::ReadComponent(const ComponentLine& line,
                                                          const std::string& folder, const ProjectFile& file,
                                                          std::shared_ptr<HostComponent> reuse) {
  std::string main = CombineWindowsPath(folder, line.path);
  std::string main_posix;
  std::optional<struct stat> entry;
  try {
    main_posix = resolver_.ToPosix(main, entry);
  } catch (const vb::Error& e) {
    // One entry the resolver refuses costs that entry, not the project.
    unresolved_.push_back({line.line_index + 1, ComponentLineText(file, line), e.description()});
  }
  const bool present = !main_posix.empty() && posix::IsRegularFile(main_posix, entry);
  std::string file_name = WindowsFileNameOf(main);

  std::string name;
  switch (NameSourceOf(line.kind)) {
    case NameSource::Attribute:
      if (present) {
        if (auto contents = posix::ReadWholeFile(main_posix)) name = ReadVbName(*contents).value_or("");
      }
      if (name.empty()) name = WithoutExtension(file_name);
      break;
    case NameSource::ProjectLine:
      name = line.declared_name.empty() ? WithoutExtension(file_name) : line.declared_name;
      break;
    case NameSource::FileName:
      name = file_name;
      break;
  }

  std::vector<std::string> files{main};
  std::string companion_ext = CompanionExtension(ExtensionOf(file_name));
  if (present && !companion_ext.empty()) {
    std::string main_folder = WindowsFolderOf(main);
    std::string posix_folder = resolver_.ToPosix(main_folder);
    auto found = posix::FindEntry(posix_folder,
                                  vb::ActiveCodePage().ToUtf8(WithoutExtension(file_name) + companion_ext));
    if (found) files.push_back(CombineWindowsPath(main_folder, posix::WindowsNameOf(posix_folder, *found)));
  }
  if (!reuse) return std::make_shared<HostComponent>(host_, line.kind, std::move(name), std::move(files));
  reuse->Reread(line.kind, std::move(name), std::move(files));
  return reuse;
}

void HostProject::ReadFrom(const std::string& windows_path,
                           std::vector<std::shared_ptr<HostComponent>> reusable) {
  {
    const std::string text = ReadProjectText(resolver_, windows_path);
    // Once the text is known to be a project file, the read cannot fail: what was read before
    // goes first, so that a large project is never held twice.
    auto parse = [&](std::string_view t) { return ParseProjectFile(t, [this] { file_ = ProjectFile(); }); };
    ProjectFile parsed = ParsedOrRaise(parse, text, windows_path);
    file_ = std::move(parsed);
  }
  std::string folder = WindowsFolderOf(windows_path);

  ++reads_;
  unresolved_.clear();
  selected_.clear();
  std::vector<std::shared_ptr<HostComponent>> components;
  components.reserve(file_.components.size());
  for (std::size_t i = 0; i < file_.components.size(); ++i) {
    components.push_back(ReadComponent(file_.components[i], folder, file_,
                                       i < reusable.size() ? std::move(reusable[i]) : nullptr));
  }

  file_name_ = windows_path;
  name_ = file_.name.empty() ? WithoutExtension(WindowsFileNameOf(windows_path)) : file_.name;
  components_ = std::move(components);
  dirty_ = false;
}

void HostProject::Reload(const MayDrop& may_drop) {
  if (file_name_.empty()) return;  // never saved: nothing on disk to reload from
  // A component's line in the project file has the component's index.
  std::vector<std::pair<std::shared_ptr<HostComponent>, ComponentLine>> kept;
  for (std::size_t i = 0; i < components_.size(); ++i) {
    const auto& c = components_[i];
    if (c->IsDirty() && !may_drop(c->Name())) kept.emplace_back(c, file_.components.at(i));
  }
  auto is_kept = [&](const std::shared_ptr<HostComponent>& c) {
    return std::any_of(kept.begin(), kept.end(), [&](const auto& k) { return k.first == c; });
  };
  if (dirty_ && !may_drop(name_)) {
    std::string folder = WindowsFolderOf(file_name_);
    ++reads_;
    unresolved_.clear();
    for (std::size_t i = 0; i < components_.size(); ++i) {
      // New objects: the project's read stays the same, and the Project window tells a component
      // read again by its object.
      if (!is_kept(components_[i])) components_[i] = ReadComponent(file_.components[i], folder, file_);
    }
    selected_.clear();
    return;
  }
  std::vector<std::shared_ptr<HostComponent>> reusable = components_;
  for (auto& c : reusable) {
    if (is_kept(c)) c = nullptr;
  }
  ReadFrom(file_name_, std::move(reusable));
  for (auto& c : components_) {
    for (auto k = kept.begin(); k != kept.end(); ++k) {
      if (vb::LCase(k->first->files()[0]) == vb::LCase(c->files()[0])) {
        c = k->first;
        kept.erase(k);
        break;
      }
    }
  }
  // A kept component the file no longer lists stays, its line after the last component line.
  for (auto& [c, line] : kept) {
    std::size_t at = file_.components.empty() ? file_.lines.size() : file_.components.back().line_index + 1;
    for (auto& other : file_.components) {
      if (other.line_index >= at) ++other.line_index;
    }
    file_.lines.insert(file_.lines.begin() + static_cast<std::ptrdiff_t>(at), std::string());
    line.line_index = at;
    file_.components.push_back(line);
    components_.push_back(c);
    dirty_ = true;
  }
}

void HostProject::SetIsDirty(bool value) {
  dirty_ = value;
  host_.Emit(events::Modified{name_, value});
}

void HostProject::SaveAs(const std::string& path) { host_.SaveProjectAs(*this, path); }

std::shared_ptr<platform::ide::VBComponents> HostProject::Components() {
  return std::make_shared<HostComponents>(components_);
}

std::shared_ptr<platform::ide::VBComponents> HostProject::SelectedComponents() {
  return std::make_shared<HostComponents>(selected_);
}

std::shared_ptr<HostComponent> HostProject::FindComponent(const std::string& name) const {
  for (const auto& c : components_) {
    if (vb::LCase(c->Name()) == vb::LCase(name)) return c;
  }
  return nullptr;
}

long HostProject::ConnectEvents(std::weak_ptr<platform::ide::ProjectEvents> sink) {
  long n = numbers_.Next();
  sinks_.Connect(n, std::move(sink));
  return n;
}

void HostProject::DisconnectEvents(long connection) { sinks_.Disconnect(connection); }

long HostFileControl::ConnectEvents(std::weak_ptr<platform::ide::FileControlEvents> sink) {
  long n = numbers_.Next();
  sinks_.Connect(n, std::move(sink));
  return n;
}

void HostFileControl::DisconnectEvents(long connection) { sinks_.Disconnect(connection); }

std::shared_ptr<platform::ide::VBProject> HostApplication::ActiveProject() {
  if (!active_) vb::Raise(vb::err::ObjectNotSet);
  return active_;
}

void HostApplication::SetLockMode(short value) {
  lock_mode_ = value;
  host_.Emit(events::LockMode{value});
}

}  // namespace vbhost
