#include "addin/events/nvb5_fevents.hpp"

namespace norb {

// The refusals of writes to read-only files and the re-link on a project rename or a new
// project are not built yet: every event is taken and nothing is done.
void nvb5FEvents::AfterAddFile(std::string&) {}
void nvb5FEvents::AfterChangeFileName(int&, std::string&, std::string&) {}
void nvb5FEvents::AfterCloseFile(std::vector<std::string>&) {}
void nvb5FEvents::AfterRemoveFile(std::string&) {}
void nvb5FEvents::AfterWriteFile(std::string&, int&) {}
void nvb5FEvents::BeforeLoadFile(std::vector<std::string>&) {}
void nvb5FEvents::DoGetAddFileName(std::vector<std::string>&, bool&) {}
void nvb5FEvents::DoGetNewFileName(int&, std::string&, std::string&, bool&) {}
void nvb5FEvents::DoGetOpenProjectName(std::string&, bool&) {}
void nvb5FEvents::AfterNewProject(std::string&) {}
void nvb5FEvents::RequestChangeFileName(int&, std::string&, std::string&, bool&) {}
void nvb5FEvents::RequestWriteFile(std::string&, bool&) {}

}  // namespace norb
