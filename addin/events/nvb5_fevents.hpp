// nvb5FEvents: the sink of the IDE's file-control events.
#pragma once

#include "platform/ide.hpp"

namespace norb {

class MainModule;

class nvb5FEvents : public platform::ide::FileControlEvents {
 public:
  explicit nvb5FEvents(MainModule& m) : m_(m) {}

  void AfterAddFile(std::string& filename) override;
  void AfterChangeFileName(int& FileType, std::string& NewName, std::string& OldName) override;
  void AfterCloseFile(std::vector<std::string>& FileNames) override;
  void AfterRemoveFile(std::string& filename) override;
  void AfterWriteFile(std::string& filename, int& Success) override;
  void BeforeLoadFile(std::vector<std::string>& FileNames) override;
  void DoGetAddFileName(std::vector<std::string>& FileNames, bool& CancelDefault) override;
  void DoGetNewFileName(int& FileType, std::string& NewName, std::string& OldName,
                        bool& CancelDefault) override;
  void DoGetOpenProjectName(std::string& projectname, bool& CancelDefault) override;
  void AfterNewProject(std::string& projectname) override;
  void RequestChangeFileName(int& FileType, std::string& NewName, std::string& OldName,
                             bool& Cancel) override;
  void RequestWriteFile(std::string& filename, bool& Cancel) override;

 private:
  MainModule& m_;
};

}  // namespace norb
