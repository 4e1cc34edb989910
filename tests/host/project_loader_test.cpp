#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "host/ide_model.hpp"
#include "host/project_file.hpp"
#include "host/transcript.hpp"
#include "tests/host/scenario_fixture.hpp"
#include "vbrt/error.hpp"

namespace {

using testing_support::TempFolder;
using namespace std::string_literals;

class RecordingHost : public vbhost::IdeHost {
 public:
  void Emit(const vbhost::HostEvent& event) override { transcript.Emit(event); }
  void SaveComponentAs(vbhost::HostComponent&, const std::string&) override {}
  void SaveProjectAs(vbhost::HostProject&, const std::string&) override {}
  void ReloadProject(const std::string&, bool) override {}
  std::ostringstream log;
  vbhost::Transcript transcript{log};
};

class ProjectLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    testing_support::CopyTree(std::string(NORB_SOURCE_DIR) + "/examples/Timesheet", tmp / "T");
  }
  std::shared_ptr<vbhost::HostProject> Load(const std::string& posix_path) {
    return vbhost::HostProject::Load(resolver.ToWindows(posix_path), resolver, host, numbers);
  }
  // Each component as "name state[ dirty]: files", its folder as "$T".
  std::string Describe(const vbhost::HostProject& p) {
    std::string out, dir = resolver.ToWindows(tmp / "T");
    for (const auto& c : p.components()) {
      out += (out.empty() ? "" : "; ") + c->Name() + " " + std::to_string(c->State()) +
             (c->IsDirty() ? " dirty" : "") + ":";
      for (std::string f : c->files()) out += " " + f.replace(0, dir.size(), "$T");
    }
    return out;
  }
  posix::PathResolver resolver{posix::DriveMap::Parse("C:=/")};
  RecordingHost host;
  vbhost::ConnectionNumbers numbers;
  TempFolder tmp;
};

// Components come in project file order. A reload asks about each changed component and the
// changed project: what may be dropped is read again, fresh; what is kept stays the same object.
TEST_F(ProjectLoader, ComponentsInFileOrderAndAReloadKeepsWhatMayNotBeDropped) {
  auto p = Load(tmp / "T/Timesheet.vbp");
  EXPECT_EQ(p->Name(), "Timesheet");
  EXPECT_EQ(p->FileName(), resolver.ToWindows(tmp / "T/Timesheet.vbp"));
  EXPECT_EQ(Describe(*p),
            "frmTimesheet 0: $T\\frmTimesheet.frm $T\\frmTimesheet.frx; "
            "modRates 0: $T\\modRates.bas; "
            "CEntry 0: $T\\Classes\\CEntry.cls; "
            "Release Notes.txt 0: $T\\Release Notes.txt");
  auto form = p->components()[0];
  form->SetDirty(true);
  p->components()[1]->SetState(3);
  p->components()[1]->SetDirty(true);
  p->Select({p->components()[1]});
  EXPECT_EQ(host.log.str(), R"({"event":"state","component":"modRates","value":3})"
                            "\n");
  p->SetDirtyQuietly(true);
  long n = p->ConnectEvents(std::shared_ptr<platform::ide::ProjectEvents>());
  // On disk meanwhile: CEntry renamed, and a project file without its line, later without the form's.
  tmp.Write("T/Classes/CEntry.cls", "Attribute VB_Name = \"CLine\"\r\n");
  tmp.Write("T/Timesheet.vbp",
            "Type=Exe\r\nForm=frmTimesheet.frm\r\nModule=modRates; modRates.bas\r\nName=\"Timesheet\"\r\n");
  std::vector<std::string> asked;
  auto answer = [&](const std::set<std::string>& drop) {
    return [&asked, drop](const std::string& name) {
      asked.push_back(name);
      return drop.contains(name);
    };
  };

  // The project kept: its own lines stay, the components not kept are read again.
  p->Reload(answer({"modRates"}));
  EXPECT_EQ(asked, (std::vector<std::string>{"frmTimesheet", "modRates", "Timesheet"}));
  EXPECT_EQ(Describe(*p),
            "frmTimesheet 0 dirty: $T\\frmTimesheet.frm $T\\frmTimesheet.frx; "
            "modRates 0: $T\\modRates.bas; "
            "CLine 0: $T\\Classes\\CEntry.cls; "
            "Release Notes.txt 0: $T\\Release Notes.txt");
  EXPECT_EQ(p->components()[0].get(), form.get());
  EXPECT_TRUE(p->IsDirty());
  EXPECT_EQ(p->SelectedComponents()->Count(), 0);
  p->DisconnectEvents(n);  // still connected after the reload
  EXPECT_THROW(p->DisconnectEvents(n), vb::Error);

  // The project dropped: a kept component the file no longer lists stays, last, its line after the others.
  tmp.Write("T/Timesheet.vbp", "Type=Exe\r\nModule=modRates; modRates.bas\r\nName=\"Timesheet\"\r\n");
  asked.clear();
  p->Reload(answer({"Timesheet"}));
  EXPECT_EQ(asked, (std::vector<std::string>{"frmTimesheet", "Timesheet"}));
  EXPECT_EQ(Describe(*p),
            "modRates 0: $T\\modRates.bas; frmTimesheet 0 dirty: $T\\frmTimesheet.frm $T\\frmTimesheet.frx");
  EXPECT_TRUE(p->IsDirty());
  EXPECT_EQ(vbhost::FormatProjectFile(p->file()),
            "Type=Exe\r\nModule=modRates; modRates.bas\r\nForm=frmTimesheet.frm\r\nName=\"Timesheet\"\r\n");

  // What is dropped comes back as read from disk, its edit and state gone, whatever object holds it.
  p->components()[0]->Edit("' an edit the person dropped");
  p->components()[0]->SetState(5);
  p->Reload(answer({"modRates", "frmTimesheet", "Timesheet"}));
  EXPECT_EQ(Describe(*p), "modRates 0: $T\\modRates.bas");
  EXPECT_FALSE(p->components()[0]->text());
  // A file that is no project any more is refused whole: the project stays as it was read.
  tmp.Write("T/Timesheet.vbp", "Type=Exe\r\nModule=modRates; modRates.bas\r\nnot a setting\r\n");
  p->SetDirtyQuietly(true);
  EXPECT_THROW(p->Reload(answer({"Timesheet"})), vb::Error);
  EXPECT_EQ(
      Describe(*p) + " | " + vbhost::FormatProjectFile(p->file()),
      "modRates 0: $T\\modRates.bas | Type=Exe\r\nModule=modRates; modRates.bas\r\nName=\"Timesheet\"\r\n");

  // Without its file a component is named after the file, and a form's companion is not looked for.
  std::filesystem::remove(tmp / "T/frmTimesheet.frm");
  tmp.Write("T/Timesheet.vbp", "Type=Exe\r\nForm=frmTimesheet.frm\r\nClass=CEntry; Classes\\Gone.cls\r\n");
  EXPECT_EQ(Describe(*Load(tmp / "T/Timesheet.vbp")),
            "frmTimesheet 0: $T\\frmTimesheet.frm; Gone 0: $T\\Classes\\Gone.cls");
}

// Project text keeps its line ends when written back. (How a project line's path is combined
// with the project's folder: tests/posix/paths_test.cpp.)
TEST_F(ProjectLoader, ProjectTextKeepsItsLineEndsWhenWrittenBack) {
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
      {ok + "Form=frm\0Timesheet.frm\r\n"s, ":2: a NUL byte"},
      {"", ": the file is empty"},
      {"\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s, ":2: a control character (0x1A)"},
      {ok + "Name=\"A\x1F\"\r\n", ":2: a control character (0x1F)"},
      {"\xFF\xFET\0y\0p\0e\0=\0E\0x\0e\0\r\0\n\0"s, ": UTF-16 text; project files are ANSI text"},
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
