// The IDE's extensibility object model over real project files on disk: projects, components,
// the file-control object and the application object the add-in is handed.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/host_observer.hpp"
#include "host/project_file.hpp"
#include "host/sink_set.hpp"
#include "platform/ide.hpp"
#include "posix/path_resolver.hpp"

namespace vbhost {

class HostProject;
class HostComponent;

// What the model tells, and asks of, the IDE around it.
class IdeHost : public HostObserver {
 public:
  virtual ~IdeHost() = default;
  virtual void SaveComponentAs(HostComponent& component, const std::string& path) = 0;
  virtual void SaveProjectAs(HostProject& project, const std::string& path) = 0;
  virtual void ReloadProject(const std::string& path, bool flag) = 0;
};

// Connection numbers are unique across the IDE, as COM cookies are.
class ConnectionNumbers {
 public:
  long Next() { return ++last_; }

 private:
  long last_ = 0;
};

class HostComponent : public platform::ide::VBComponent {
 public:
  HostComponent(IdeHost& host, ComponentKind kind, std::string name, std::vector<std::string> files);

  std::string Name() const override { return name_; }
  int FileCount() const override { return static_cast<int>(files_.size()); }
  std::string FileNames(int index) const override;
  bool IsDirty() const override { return dirty_; }
  void SaveAs(const std::string& path) override;
  long State() const override { return state_; }
  void SetState(long value) override;

  ComponentKind kind() const { return kind_; }
  const std::vector<std::string>& files() const { return files_; }
  // A saved or reloaded component holds no text of its own: the next save writes the disk's.
  void SetDirty(bool dirty) {
    dirty_ = dirty;
    if (!dirty) text_.reset();
  }
  // What an editor made of the first file (code-page bytes, the file's own line ends). The IDE
  // keeps it while the project is open, its editor closed or not, and every save writes it.
  const std::optional<std::string>& text() const { return text_; }
  void Edit(std::string text) {
    text_ = std::move(text);
    dirty_ = true;
  }
  void SetFiles(std::vector<std::string> files) { files_ = std::move(files); }
  // Read again from the project file, as a new component would be: a reload makes the object
  // over in place, so that a large project is not held twice while the add-in still holds the
  // collection it had before the reload.
  void Reread(ComponentKind kind, std::string name, std::vector<std::string> files);

 private:
  IdeHost& host_;
  ComponentKind kind_;
  std::string name_;
  std::vector<std::string> files_;  // Windows paths; the companion second
  bool dirty_ = false;
  std::optional<std::string> text_;
  long state_ = 0;
};

class HostComponents : public platform::ide::VBComponents {
 public:
  explicit HostComponents(std::vector<std::shared_ptr<HostComponent>> items) : items_(std::move(items)) {}
  int Count() const override { return static_cast<int>(items_.size()); }
  std::shared_ptr<platform::ide::VBComponent> Item(int index) override;

 private:
  std::vector<std::shared_ptr<HostComponent>> items_;
};

// A component line whose path cannot be resolved (a drive that is not mapped, a path too long):
// the component is kept, missing, as one whose file is not there.
struct UnresolvedEntry {
  std::size_t line;    // 1-based, in the project file
  std::string text;    // the line as written
  std::string reason;  // the resolver's error, "Path not found"
};

// vb::Error's number for a file that is no project or group file (VB's "Invalid file format").
inline constexpr int kInvalidFileFormat = 321;

// The project file a path opens (Windows paths): the path itself, or a group's startup project,
// which must be a project that lies in or below the group's folder or the folder of one of its
// other projects. Raises as HostProject::Load does, and 321 for a group that is no group, whose
// startup project is a group or lies outside its folders.
std::string ProjectToOpen(const std::string& windows_path, const posix::PathResolver& resolver);

class HostProject : public platform::ide::VBProject {
 public:
  // Loads a project file (Windows path). Raises vb::Error 53 when it does not exist, 75 when it
  // is no regular file or larger than kMaxProjectFileSize, 321 when its text is no project
  // (ParseProjectFile); the description names the file, and the line where there is one.
  // A component line it cannot resolve is kept, missing, and listed in unresolved().
  static std::shared_ptr<HostProject> Load(const std::string& windows_path,
                                           const posix::PathResolver& resolver, IdeHost& host,
                                           ConnectionNumbers& numbers);
  // A new project that was never saved.
  static std::shared_ptr<HostProject> NewUnsaved(const posix::PathResolver& resolver, IdeHost& host,
                                                 ConnectionNumbers& numbers);

  std::string FileName() const override { return file_name_; }
  std::string Name() const override { return name_; }
  bool IsDirty() const override { return dirty_; }
  void SetIsDirty(bool value) override;
  void SaveAs(const std::string& path) override;
  std::shared_ptr<platform::ide::VBComponents> Components() override;
  std::shared_ptr<platform::ide::VBComponents> SelectedComponents() override;
  long ConnectEvents(std::weak_ptr<platform::ide::ProjectEvents> sink) override;
  void DisconnectEvents(long connection) override;

  // Answers whether the unsaved changes of the component or project so named may be dropped.
  using MayDrop = std::function<bool(const std::string& name)>;
  // Re-reads the project from its file into this same object: sinks stay connected, states and
  // modified flags start again from 0. Each modified component, then the modified project, is
  // asked about first; what may not be dropped is kept as it is. A kept project keeps its lines
  // and re-reads only its components; a kept component the re-read file no longer lists stays,
  // last, and leaves the project modified.
  void Reload(const MayDrop& may_drop);

  const std::vector<std::shared_ptr<HostComponent>>& components() const { return components_; }
  std::shared_ptr<HostComponent> FindComponent(const std::string& name) const;
  void Select(std::vector<std::shared_ptr<HostComponent>> selection) { selected_ = std::move(selection); }
  // The live sinks connected to this project.
  std::vector<std::shared_ptr<platform::ide::ProjectEvents>> Sinks() const { return sinks_.Live(); }
  void SetDirtyQuietly(bool value) { dirty_ = value; }
  const ProjectFile& file() const { return file_; }
  ProjectFile& mutable_file() { return file_; }
  void SetFileName(std::string windows_path) { file_name_ = std::move(windows_path); }
  // The component lines the last read could not resolve, in line order.
  const std::vector<UnresolvedEntry>& unresolved() const { return unresolved_; }
  // Counts the reads of the project file, a reload's included: what was known of the components
  // before (their lock states) is known no longer once it changes.
  unsigned long reads() const { return reads_; }

 private:
  HostProject(const posix::PathResolver& resolver, IdeHost& host, ConnectionNumbers& numbers)
      : resolver_(resolver), host_(host), numbers_(numbers) {}
  // `reusable`: the components read before, the i-th made over for the i-th line (nulls skipped).
  void ReadFrom(const std::string& windows_path, std::vector<std::shared_ptr<HostComponent>> reusable = {});
  std::shared_ptr<HostComponent> ReadComponent(const ComponentLine& line, const std::string& folder,
                                               const ProjectFile& file,
                                               std::shared_ptr<HostComponent> reuse = nullptr);

  const posix::PathResolver& resolver_;
  IdeHost& host_;
  ConnectionNumbers& numbers_;
  std::string file_name_;
  std::string name_ = "Project1";
  bool dirty_ = false;
  ProjectFile file_;
  std::vector<std::shared_ptr<HostComponent>> components_;
  std::vector<std::shared_ptr<HostComponent>> selected_;
  SinkSet<platform::ide::ProjectEvents> sinks_;
  std::vector<UnresolvedEntry> unresolved_;
  unsigned long reads_ = 0;
};

class HostFileControl : public platform::ide::FileControl {
 public:
  explicit HostFileControl(ConnectionNumbers& numbers) : numbers_(numbers) {}
  long ConnectEvents(std::weak_ptr<platform::ide::FileControlEvents> sink) override;
  void DisconnectEvents(long connection) override;
  std::vector<std::shared_ptr<platform::ide::FileControlEvents>> Sinks() const { return sinks_.Live(); }

 private:
  ConnectionNumbers& numbers_;
  SinkSet<platform::ide::FileControlEvents> sinks_;
};

class HostApplication : public platform::ide::Application {
 public:
  HostApplication(IdeHost& host, ConnectionNumbers& numbers)
      : host_(host), file_control_(std::make_shared<HostFileControl>(numbers)) {}

  std::shared_ptr<platform::ide::VBProject> ActiveProject() override;
  std::shared_ptr<platform::ide::FileControl> GetFileControl() override { return file_control_; }
  void SetLockMode(short value) override;
  short LockMode() const override { return lock_mode_; }
  void ReloadProject(const std::string& path, bool flag) override { host_.ReloadProject(path, flag); }

  std::shared_ptr<HostProject> active() const { return active_; }
  void SetActive(std::shared_ptr<HostProject> project) { active_ = std::move(project); }
  HostFileControl& file_control() { return *file_control_; }

 private:
  IdeHost& host_;
  std::shared_ptr<HostFileControl> file_control_;
  std::shared_ptr<HostProject> active_;
  short lock_mode_ = 0;
};

}  // namespace vbhost
