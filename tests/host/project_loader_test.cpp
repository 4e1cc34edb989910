#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "host/ide_model.hpp"
#include "host/project_file.hpp"
#include "posix/windows_path.hpp"
#include "tests/host/scenario_fixture.hpp"
#include "vbrt/error.hpp"

namespace {

using testing_support::TempFolder;

class RecordingHost : public vbhost::IdeHost {
 public:
  void Emit(const nlohmann::ordered_json& event) override { log.push_back(event.dump()); }
  void SaveComponentAs(vbhost::HostComponent& c, const std::string& p) override {
    log.push_back("save " + c.Name() + " " + p);
  }
  void SaveProjectAs(vbhost::HostProject& p, const std::string& path) override {
    log.push_back("save " + p.Name() + " " + path);
  }
  void ReloadProject(const std::string& p, bool) override { log.push_back("reload " + p); }
  std::vector<std::string> log;
};

struct Loaded {
  std::string name;
  std::vector<std::string> files;
};

std::vector<Loaded> Describe(const vbhost::HostProject& p) {
  std::vector<Loaded> out;
  for (const auto& c : p.components()) out.push_back({c->Name(), c->files()});
  return out;
}

class ProjectLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::CopyTree(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "T");
  }
  std::shared_ptr<vbhost::HostProject> Load(const std::string& posix_path) {
    return vbhost::HostProject::Load(resolver.ToWindows(posix_path), resolver, host, numbers);
  }
  posix::PathResolver resolver{posix::DriveMap::Parse("C:=/")};
  RecordingHost host;
  vbhost::ConnectionNumbers numbers;
  TempFolder tmp;
};

TEST_F(ProjectLoader, SampleProjectHasItsComponentsInProjectFileOrder) {
  auto p = Load(tmp / "T/Timesheet.vbp");
  std::string dir = resolver.ToWindows(tmp / "T");
  EXPECT_EQ(p->Name(), "Timesheet");
  EXPECT_EQ(p->FileName(), dir + "\\Timesheet.vbp");
  auto got = Describe(*p);
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0].name, "frmTimesheet");
  EXPECT_EQ(got[0].files, (std::vector<std::string>{dir + "\\frmTimesheet.frm", dir + "\\frmTimesheet.frx"}));
  EXPECT_EQ(got[1].name, "modRates");
  EXPECT_EQ(got[2].name, "CEntry");
  EXPECT_EQ(got[2].files, (std::vector<std::string>{dir + "\\Classes\\CEntry.cls"}));
  EXPECT_EQ(got[3].name, "Release Notes.txt");
  for (const auto& c : p->components()) {
    EXPECT_EQ(c->State(), 0);
    EXPECT_FALSE(c->IsDirty());
  }
}

TEST_F(ProjectLoader, MissingFilesAreKeptAndReloadStartsStatesAfresh) {
  std::filesystem::remove(tmp / "T/frmTimesheet.frm");
  std::filesystem::remove(tmp / "T/Classes/CEntry.cls");
  auto p = Load(tmp / "T/Timesheet.vbp");
  auto got = Describe(*p);
  ASSERT_EQ(got.size(), 4u);
  // Without its file a form is named after the file, and its companion is not looked for.
  EXPECT_EQ(got[0].name, "frmTimesheet");
  EXPECT_EQ(got[0].files.size(), 1u);
  EXPECT_EQ(got[2].name, "CEntry");

  p->components()[1]->SetState(3);
  p->components()[1]->SetDirty(true);
  p->Select({p->components()[1]});
  EXPECT_EQ(host.log, (std::vector<std::string>{R"({"event":"state","component":"modRates","value":3})"}));
  auto sink = std::shared_ptr<platform::ide::ProjectEvents>();
  long n = p->ConnectEvents(sink);
  p->Reload([](const std::string&) { return true; });
  EXPECT_EQ(p->components()[1]->State(), 0);
  EXPECT_FALSE(p->components()[1]->IsDirty());
  EXPECT_EQ(p->SelectedComponents()->Count(), 0);
  p->DisconnectEvents(n);  // still connected after the reload
  EXPECT_THROW(p->DisconnectEvents(n), vb::Error);
}

TEST_F(ProjectLoader, ReloadKeepsWhatMayNotBeDropped) {
  auto p = Load(tmp / "T/Timesheet.vbp");
  auto form = p->components()[0];
  form->SetDirty(true);
  p->components()[1]->SetDirty(true);
  p->SetDirtyQuietly(true);
  // On disk meanwhile: CEntry renamed, and a project file without its line, later without the form's.
  tmp.Write("T/Classes/CEntry.cls", "Attribute VB_Name = \"CLine\"\r\n");
  tmp.Write("T/Timesheet.vbp",
            "Type=Exe\r\nForm=frmTimesheet.frm\r\nModule=modRates; modRates.bas\r\nName=\"Timesheet\"\r\n");
  std::vector<std::string> asked;
  auto answer = [&](std::set<std::string> drop) {
    return [&asked, drop](const std::string& name) {
      asked.push_back(name);
      return drop.contains(name);
    };
  };

  // The project kept: its own lines stay, the components not kept are read again.
  p->Reload(answer({"modRates"}));
  EXPECT_EQ(asked, (std::vector<std::string>{"frmTimesheet", "modRates", "Timesheet"}));
  auto names = [&] {
    std::vector<std::string> out;
    for (const auto& c : Describe(*p)) out.push_back(c.name);
    return out;
  };
  EXPECT_EQ(names(), (std::vector<std::string>{"frmTimesheet", "modRates", "CLine", "Release Notes.txt"}));
  EXPECT_EQ(p->components()[0].get(), form.get());
  EXPECT_TRUE(form->IsDirty());
  EXPECT_TRUE(p->IsDirty());

  // The project dropped: a kept component the file no longer lists stays, last, its line after the others.
  tmp.Write("T/Timesheet.vbp", "Type=Exe\r\nModule=modRates; modRates.bas\r\nName=\"Timesheet\"\r\n");
  asked.clear();
  p->Reload(answer({"Timesheet"}));
  EXPECT_EQ(asked, (std::vector<std::string>{"frmTimesheet", "Timesheet"}));
  EXPECT_EQ(names(), (std::vector<std::string>{"modRates", "frmTimesheet"}));
  EXPECT_EQ(p->components()[1].get(), form.get());
  EXPECT_TRUE(p->IsDirty());
  EXPECT_EQ(vbhost::FormatProjectFile(p->file()),
            "Type=Exe\r\nModule=modRates; modRates.bas\r\nForm=frmTimesheet.frm\r\nName=\"Timesheet\"\r\n");
}

// Paths of project lines: ".." climbs out of the project's folder; a root's folder keeps its
// backslash. Project text keeps its line ends when written back.
TEST_F(ProjectLoader, PathsAndLineEndsOfProjectLines) {
  EXPECT_EQ(posix::CombineWindowsPath("C:\\a\\b", "..\\Shared\\M.bas"), "C:\\a\\Shared\\M.bas");
  EXPECT_EQ(posix::WindowsFolderOf("C:\\X.VBP"), "C:\\");
  for (const std::string text : {"Type=Exe\nModule=M; M.bas\n", "Type=Exe\r\nModule=M; M.bas\r\n"}) {
    EXPECT_EQ(vbhost::FormatProjectFile(vbhost::ParseProjectFile(text)), text);
  }
}

// Text that is no project is an error naming the file and, where there is one, the line; it
// never opens as an empty project.
TEST_F(ProjectLoader, TextThatIsNoProjectIsRefusedWithFileAndLine) {
  const std::string ok = "Type=Exe\r\n";
  struct Case {
    std::string text;
    std::string error;  // after the project file's Windows path
  };
  const Case cases[] = {
      {ok + std::string("Form=frm\0Timesheet.frm\r\n", 25), ":2: a NUL byte"},
      {"", ": the file is empty"},
      {std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), ":2: a control character (0x1A)"},
      {"\xFF\xFET\0y\0p\0e\0=\0E\0x\0e\0\r\0\n\0", ": UTF-16 text; project files are ANSI text"},
      {std::string("T\0y\0p\0e\0=\0E\0x\0e\0\r\0\n\0", 20), ":1: a NUL byte"},
      {"Type=Exe\rForm=Form1.frm\rName=\"A\"\r", ":1: a carriage return without a line feed"},
      {ok + "Form=frmTi", ":2: no line end: the file is cut short"},
      {"Form=Form1.frm\r\nName=\"A\"\r\n", ": no Type= line: not a project file"},
      {ok + "Form=Form1.frm\r\nthis is prose\r\n", ":3: not a key=value line"},
      {ok + " = Exe\r\n", ":2: not a key=value line"},
      {"VBGROUP 5.0\r\nStartupProject=A.vbp\r\n", ":1: a project group, not a project"},
      {ok + "Form=" + std::string(vbhost::kMaxProjectLine, 'a') + "\r\n",
       ":2: longer than 262144 characters"},
  };
  for (const Case& c : cases) {
    tmp.Write("Bad.vbp", c.text);
    try {
      Load(tmp / "Bad.vbp");
      ADD_FAILURE() << "opened: " << c.error;
    } catch (const vb::Error& e) {
      EXPECT_EQ(e.number(), 321) << c.error;
      EXPECT_EQ(e.description(), resolver.ToWindows(tmp / "Bad.vbp") + c.error);
    }
  }
  // Sections of other tools keep their own shapes; VB's part before them is strict.
  tmp.Write("Good.vbp", ok + "Name=\"Good\"\r\n\r\n[Tool]\r\nfree text\r\n");
  EXPECT_EQ(Load(tmp / "Good.vbp")->Name(), "Good");
}

}  // namespace
