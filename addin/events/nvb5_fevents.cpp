// The IDE's file operations: writes to read-only files are refused, and a renamed project file
// or a new project re-links the add-in.
#include "addin/events/nvb5_fevents.hpp"

#include <string>

#include "addin/main_module.hpp"
#include "vbrt/on_error.hpp"
#include "vbrt/strings.hpp"

namespace norb {

using namespace vb;

namespace {
const std::string kRequested = "Visual Basic has just requested to write ";
const std::string kReadOnly = ", which is read-only.";
const std::string kDenied = "Request denied. ";
}  // namespace

void nvb5FEvents::AfterAddFile(std::string&) {}

void nvb5FEvents::AfterChangeFileName(int& FileType, std::string&, std::string&) {
  if (FileType == platform::ide::vbext_ft_Project) m_.rcnct();
}

void nvb5FEvents::AfterCloseFile(std::vector<std::string>&) {}
void nvb5FEvents::AfterRemoveFile(std::string&) {}
void nvb5FEvents::AfterWriteFile(std::string&, int&) {}
void nvb5FEvents::BeforeLoadFile(std::vector<std::string>&) {}
void nvb5FEvents::DoGetAddFileName(std::vector<std::string>&, bool&) {}

// The test is made on the old name, the message names the new one; the project file is never
// refused here.
void nvb5FEvents::DoGetNewFileName(int& FileType, std::string& NewName, std::string& OldName,
                                   bool& CancelDefault) {
  auto step = OnError::ResumeNext();
  bool candidate = false;
  step([&] {
    bool lock_mode = m_.gLockMode == 1;
    bool not_project = FileType != platform::ide::vbext_ft_Project;
    bool exists = m_.sys().files.Dir(OldName) != "";
    candidate = lock_mode && not_project && exists;
  });
  if (!candidate) return;
  step([&] {
    if ((m_.sys().files.GetAttr(OldName) & platform::vbReadOnly) != 0) {
      m_.sys().desktop.MsgBox(kRequested + NewName + kReadOnly + vbCr + vbCr + kDenied,
                              platform::vbInformation, std::nullopt);
      CancelDefault = true;
    }
  });
}

void nvb5FEvents::DoGetOpenProjectName(std::string&, bool&) {}

void nvb5FEvents::AfterNewProject(std::string&) { m_.rcnct(); }

void nvb5FEvents::RequestChangeFileName(int&, std::string&, std::string&, bool&) {}

// Whatever the lock mode. No trap: an error goes back to the IDE as the event's failure.
void nvb5FEvents::RequestWriteFile(std::string& filename, bool& Cancel) {
  if (m_.sys().files.Dir(filename) != "") {
    if ((m_.sys().files.GetAttr(filename) & platform::vbReadOnly) != 0) {
      m_.sys().desktop.MsgBox(kRequested + filename + kReadOnly + vbCr + vbCr + kDenied + vbCr + vbCr,
                              platform::vbInformation, std::nullopt);
      Cancel = true;
    }
  }
}

}  // namespace norb
