// Seam: the IDE's extensibility object model as the add-in uses it: the VBE object with its
// command bars, the application object (gVBInst) with projects, components, the file-control
// events and the project's requests. Object references are shared pointers; sinks are handed
// to the host as weak references, so a sink of an ended add-in is never called.
// Real: vbhost's object model over VB project files on disk.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::ide {

// ---- Sinks the add-in implements ---------------------------------------------------------

// The file-control events, in the order of the event set. Truth values are VB Booleans.
class FileControlEvents {
 public:
  virtual ~FileControlEvents() = default;
  virtual void AfterAddFile(std::string& filename) = 0;
  virtual void AfterChangeFileName(int& FileType, std::string& NewName, std::string& OldName) = 0;
  virtual void AfterCloseFile(std::vector<std::string>& FileNames) = 0;
  virtual void AfterRemoveFile(std::string& filename) = 0;
  virtual void AfterWriteFile(std::string& filename, int& Success) = 0;
  virtual void BeforeLoadFile(std::vector<std::string>& FileNames) = 0;
  virtual void DoGetAddFileName(std::vector<std::string>& FileNames, bool& CancelDefault) = 0;
  virtual void DoGetNewFileName(int& FileType, std::string& NewName, std::string& OldName,
                                bool& CancelDefault) = 0;
  virtual void DoGetOpenProjectName(std::string& projectname, bool& CancelDefault) = 0;
  virtual void AfterNewProject(std::string& projectname) = 0;
  virtual void RequestChangeFileName(int& FileType, std::string& NewName, std::string& OldName,
                                     bool& Cancel) = 0;
  virtual void RequestWriteFile(std::string& filename, bool& Cancel) = 0;
};

// File types carried by the file-control events.
inline constexpr int vbext_ft_Form = 0;
inline constexpr int vbext_ft_Module = 1;
inline constexpr int vbext_ft_Class = 2;
inline constexpr int vbext_ft_Project = 3;
inline constexpr int vbext_ft_Exe = 4;

// The version-control requests the project object hands to its sink.
class ProjectEvents {
 public:
  virtual ~ProjectEvents() = default;
  virtual void CheckOut() = 0;
  virtual void CheckIn() = 0;
  virtual void Fetch() = 0;
  virtual void UnCheckOut() = 0;
};

class CommandBarControl;

// The Click of a command-bar event subscription.
class CommandBarClick {
 public:
  virtual ~CommandBarClick() = default;
  virtual void Click(std::shared_ptr<CommandBarControl> control, bool& handled, bool& CancelDefault) = 0;
};

// ---- Host objects ------------------------------------------------------------------------

class VBComponent {
 public:
  virtual ~VBComponent() = default;
  virtual std::string Name() const = 0;
  virtual int FileCount() const = 0;
  // 0-based; raises 9 past the last file.
  virtual std::string FileNames(int index) const = 0;
  virtual bool IsDirty() const = 0;
  virtual void SaveAs(const std::string& path) = 0;
  // The lock-state code the Project window shows for the component.
  virtual long State() const = 0;
  virtual void SetState(long value) = 0;
};

class VBComponents {
 public:
  virtual ~VBComponents() = default;
  virtual int Count() const = 0;
  // 0-based; raises 9 out of range.
  virtual std::shared_ptr<VBComponent> Item(int index) = 0;
};

class VBProject {
 public:
  virtual ~VBProject() = default;
  virtual std::string FileName() const = 0;  // "" while never saved
  virtual std::string Name() const = 0;
  virtual bool IsDirty() const = 0;
  virtual void SetIsDirty(bool value) = 0;
  virtual void SaveAs(const std::string& path) = 0;
  virtual std::shared_ptr<VBComponents> Components() = 0;
  // The components selected in the Project window.
  virtual std::shared_ptr<VBComponents> SelectedComponents() = 0;
  // Connects a sink for the project's requests; answers the connection number.
  virtual long ConnectEvents(std::weak_ptr<ProjectEvents> sink) = 0;
  // Raises an error for a number that is not connected to this project.
  virtual void DisconnectEvents(long connection) = 0;
};

class FileControl {
 public:
  virtual ~FileControl() = default;
  virtual long ConnectEvents(std::weak_ptr<FileControlEvents> sink) = 0;
  virtual void DisconnectEvents(long connection) = 0;
};

// The application object handed to ConnectAddIn (gVBInst).
class Application {
 public:
  virtual ~Application() = default;
  // Raises 91 when no project is open.
  virtual std::shared_ptr<VBProject> ActiveProject() = 0;
  virtual std::shared_ptr<FileControl> GetFileControl() = 0;
  // The 16-bit lock-mode property.
  virtual void SetLockMode(short value) = 0;
  virtual short LockMode() const = 0;
  // Reopens the project from its file so the IDE shows what the engine left on disk.
  virtual void ReloadProject(const std::string& path, bool flag) = 0;
};

class CommandBarControl {
 public:
  virtual ~CommandBarControl() = default;
  virtual void SetCaption(const std::string& caption) = 0;
  virtual std::string Caption() const = 0;
  virtual void SetBeginGroup(bool value) = 0;
  virtual bool BeginGroup() const = 0;
  // Takes the clipboard's picture as the button's face. On a deleted control, or with no picture
  // on the clipboard, every member raises -2147467259 ("Method '...' of object '...' failed").
  virtual void PasteFace() = 0;
  // Removes the control from its bar.
  virtual void Delete() = 0;
};

class CommandBarControls {
 public:
  virtual ~CommandBarControls() = default;
  // Adds a control of `type` (1: a button) before position `before` (1-based), permanent, with
  // the host's defaults. `member` names the add-in's variable that keeps it, for whoever observes
  // the IDE; it changes nothing else.
  virtual std::shared_ptr<CommandBarControl> Add(int type, int before, std::string_view member) = 0;
  virtual int Count() const = 0;
};

class CommandBar {
 public:
  virtual ~CommandBar() = default;
  virtual std::string Name() const = 0;
  virtual std::shared_ptr<CommandBarControls> Controls() = 0;
};

class CommandBars {
 public:
  virtual ~CommandBars() = default;
  // Raises 5 when no bar has exactly that name.
  virtual std::shared_ptr<CommandBar> Item(const std::string& name) = 0;
};

// A subscription to one control's clicks.
class CommandBarEvents {
 public:
  virtual ~CommandBarEvents() = default;
  // `handler` names the add-in's subscription ("cbcOhandler"), for whoever observes the IDE.
  virtual void Connect(std::weak_ptr<CommandBarClick> sink, std::string_view handler) = 0;
};

// The IDE's root object (gVBE).
class VBE {
 public:
  virtual ~VBE() = default;
  virtual std::shared_ptr<CommandBars> GetCommandBars() = 0;
  // VBE.Events.CommandBarEvents(control); raises 91 for an empty control.
  virtual std::shared_ptr<CommandBarEvents> GetCommandBarEvents(
      std::shared_ptr<CommandBarControl> control) = 0;
  // The IDE's executable path, ending in its file name.
  virtual std::string FullName() const = 0;
  // Raises 91 when no project is open.
  virtual std::shared_ptr<VBProject> ActiveVBProject() = 0;
};

// The host's object for one add-in (AddInInst).
class AddIn {
 public:
  virtual ~AddIn() = default;
};

// The add-in interface the IDE calls on the connect class.
class IDTExtensibility {
 public:
  virtual ~IDTExtensibility() = default;
  virtual void OnConnection(std::shared_ptr<VBE> VBInst, long ConnectMode, std::shared_ptr<AddIn> AddInInst,
                            std::vector<std::string>& custom) = 0;
  virtual void OnDisconnection(long RemoveMode, std::vector<std::string>& custom) = 0;
  virtual void OnStartupComplete(std::vector<std::string>& custom) = 0;
  virtual void OnAddInsUpdate(std::vector<std::string>& custom) = 0;
};

}  // namespace platform::ide
