#include "host/transcript.hpp"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <set>
#include <sstream>

#include "tests/fakes/fake_services.hpp"
#include "tests/host/scenario_fixture.hpp"
#include "vbrt/code_page.hpp"
#include "vbrt/forms.hpp"
#include "vbrt/runtime.hpp"

namespace vbhost {
namespace {

using Json = nlohmann::ordered_json;

Json Utf8(const Json& j) {
  if (j.is_string()) return vb::ActiveCodePage().ToUtf8(j.get_ref<const std::string&>());
  Json out = j.is_object() ? Json::object() : j.is_array() ? Json::array() : j;
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it)
      out[vb::ActiveCodePage().ToUtf8(it.key())] = Utf8(it.value());
  } else if (j.is_array()) {
    for (const auto& e : j) out.push_back(Utf8(e));
  }
  return out;
}

// A row's JSON as the transcript's line shows it (ASCII text only).
Json J(const char* text) { return Json::parse(text); }

struct Row {
  HostEvent event;
  Json json;  // in code-page text, as the library would hold it
};

// Each kind of event is written as the JSON library dumps its object in UTF-8: the names and
// keys of docs/scenarios.md in their order, every byte of the code page, every escape, every
// kind of value. One row per kind at least, so a kind added without its row fails here; a
// kind's other shapes only where no scenario file (tests/host/scenarios) shows that line whole.
TEST(Transcript, WritesEachKindAsTheLibraryDumpsItsUtf8Form) {
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte += static_cast<char>(b);
  const std::string nul("a\0b", 3);
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  vb::Form form(rt, "frmExtract");
  form.SetCaption("Check-Out [Extract] \xE9");
  using namespace events;
  const Row rows[] = {
      {MsgBox{"x", 308, "No", "vbhost"},
       {{"event", "msgbox"}, {"text", "x"}, {"style", 308}, {"answer", "No"}, {"title", "vbhost"}}},
      {Foreground{"frmExtract"}, {{"event", "foreground"}, {"form", "frmExtract"}}},
      {Help{"frmExtract", "C:\\N\\NORB.HLP"},
       {{"event", "help"}, {"form", "frmExtract"}, {"file", "C:\\N\\NORB.HLP"}}},
      {Unsaved{"exit", {"Module1", "App"}, "cancel"},
       {{"event", "unsaved"}, {"action", "exit"}, {"targets", {"Module1", "App"}}, {"answer", "cancel"}}},
      {FormLife{"frmSplash", "showmodal"},
       {{"event", "form"}, {"form", "frmSplash"}, {"action", "showmodal"}}},
      {Caption{"frmSplash", std::nullopt, "NORB"},
       {{"event", "caption"}, {"form", "frmSplash"}, {"text", "NORB"}}},
      {Progress{"frmSplash", "ProgressBar1", Progress::Field::Min, -1.0F},
       {{"event", "progress"}, {"form", "frmSplash"}, {"control", "ProgressBar1"}, {"min", -1}}},
      {Progress{"frmSplash", "ProgressBar1", Progress::Field::Value, 0.1F},
       {{"event", "progress"},
        {"form", "frmSplash"},
        {"control", "ProgressBar1"},
        {"value", static_cast<double>(0.1F)}}},
      {Dialog{false, "frmExtract", "shown", &form},
       {{"event", "dialog"}, {"form", "frmExtract"}, {"phase", "shown"}, {"caption", form.Caption()}}},
      {Dialog{true, "FRMEXTRACT", std::nullopt, &form},
       {{"event", "dialog"}, {"show", true}, {"form", "FRMEXTRACT"}, {"caption", form.Caption()}}},
      {ControlAdded{"Tools", 8, "cbcGet"},
       {{"event", "control"}, {"action", "add"}, {"bar", "Tools"}, {"before", 8}, {"member", "cbcGet"}}},
      {ControlChanged{"caption", "cbcGet", std::string("&Get")},
       {{"event", "control"}, {"action", "caption"}, {"member", "cbcGet"}, {"value", "&Get"}}},
      {ControlChanged{"begingroup", "cbcGet", true},
       {{"event", "control"}, {"action", "begingroup"}, {"member", "cbcGet"}, {"value", true}}},
      {ControlChanged{"face", "cbcGet", 4L},
       {{"event", "control"}, {"action", "face"}, {"member", "cbcGet"}, {"value", 4}}},
      {ControlDeleted{"cbcGet"}, {{"event", "control"}, {"action", "delete"}, {"member", "cbcGet"}}},
      {Subscribe{"cbcGet", "Get_Click"},
       {{"event", "subscribe"}, {"member", "cbcGet"}, {"handler", "Get_Click"}}},
      {ClipboardWritten{"set", platform::Picture{3}},
       {{"event", "clipboard"}, {"action", "set"}, {"content", {{"picture", 3}}}}},
      {ClipboardWritten{"restore", std::monostate{}},
       {{"event", "clipboard"}, {"action", "restore"}, {"content", nullptr}}},
      {Launch{"X", 6, false, 53},
       {{"event", "launch"}, {"command", "X"}, {"style", 6}, {"started", false}, {"number", 53}}},
      {Profile{"write", "vbaddin.ini", "Add-Ins32", "NORBVB5.nvb5VersionControl", "0", false},
       J(R"({"event":"profile","action":"write","file":"vbaddin.ini","section":"Add-Ins32","key":"NORBVB5.nvb5VersionControl","value":"0","ok":false})")},
      {State{"Module1", 5}, {{"event", "state"}, {"component", "Module1"}, {"value", 5}}},
      {Modified{"App", true}, {{"event", "modified"}, {"target", "App"}, {"value", true}}},
      {LockMode{1}, {{"event", "lockmode"}, {"value", 1}}},
      {Unresolved{"C:\\A\\App.vbp", 4, "Module=M; M.bas", "File not found"},
       J(R"({"event":"unresolved","project":"C:\\A\\App.vbp","line":4,"entry":"Module=M; M.bas","reason":"File not found"})")},
      {Await{"WNORB16"}, {{"event", "await"}, {"application", "WNORB16"}}},
      {EngineOutcome{every_byte}, {{"event", "engine"}, {"text", every_byte}}},
      {EngineOutcome{nul}, {{"event", "engine"}, {"text", nul}}},
      {EngineCommand{"COMMENT fixed", true, "Comment set", std::nullopt},
       {{"event", "engine-command"}, {"command", "COMMENT fixed"}, {"ok", true}, {"answer", "Comment set"}}},
      {Reload{"C:\\A\\App.vbp"}, {{"event", "reload"}, {"path", "C:\\A\\App.vbp"}}},
      {End{}, {{"event", "end"}}},
      {RunTimeError{"Click", 91, "Object variable not set"},
       {{"event", "error"}, {"where", "Click"}, {"number", 91}, {"description", "Object variable not set"}}},
      {Link{"Text2", "WNORB16|frmCmd", "txtStatus", 1, false, 282},
       J(R"({"event":"link","control":"Text2","topic":"WNORB16|frmCmd","item":"txtStatus","mode":1,"ok":false,"number":282})")},
      {Execute{"WNORB16|frmMain", "UW", false, 285},
       J(R"({"event":"execute","topic":"WNORB16|frmMain","command":"UW","ok":false,"number":285})")},
      {FileEvent{"AfterAddFiles", {{"FileNames", std::vector<std::string>{"a", "b\xFC"}}}, true},
       {{"event", "fileevent"},
        {"name", "AfterAddFiles"},
        {"args", {{"FileNames", {"a", "b\xFC"}}}},
        {"cancel", true}}},
      {Write{"C:\\A\\M.bas", false, 75},
       {{"event", "write"}, {"path", "C:\\A\\M.bas"}, {"written", false}, {"number", 75}}},
      {Save{"Module1", "C:\\B\\M.bas"}, {{"event", "save"}, {"target", "Module1"}, {"path", "C:\\B\\M.bas"}}},
      {StatesShown{{{"Form1", 5}, {"k\xFC", 0}}},
       {{"event", "states"}, {"show", true}, {"components", {{"Form1", 5}, {"k\xFC", 0}}}}},
      {StatesShown{}, {{"event", "states"}, {"show", true}, {"components", Json::object()}}},
      {LinksShown{{{"Text1", "WNORB16|frmMain", "", 0, "x"}}},
       J(R"({"event":"links","show":true,"links":[{"control":"Text1","topic":"WNORB16|frmMain","item":"","mode":0,"text":"x"}]})")},
      {LockModeShown{0, std::nullopt}, {{"event", "lockmode"}, {"show", true}, {"value", 0}}},
      {BarsShown{{{"Tools", {{"&Get", false, std::nullopt, "addin"}, {"Run", true, 3, "addin"}}}}},
       J(R"({"event":"bars","show":true,"bars":[{"name":"Tools","items":[{"caption":"&Get","begingroup":false,"face":null,"owner":"addin"},)"
         R"({"caption":"Run","begingroup":true,"face":3,"owner":"addin"}]}]})")},
      {ClipboardShown{std::string("the user's text")},
       {{"event", "clipboard"}, {"show", true}, {"content", "the user's text"}}},
      {AddinsShown{{{"NORBVB5.nvb5VersionControl", "1"}}},
       {{"event", "addins"}, {"show", true}, {"entries", {{"NORBVB5.nvb5VersionControl", "1"}}}}},
  };
  std::set<std::size_t> kinds;
  for (const Row& row : rows) {
    kinds.insert(row.event.index());
    std::ostringstream out;
    Transcript transcript(out);
    transcript.Emit(row.event);
    EXPECT_EQ(out.str(), Utf8(row.json).dump() + "\n");
  }
  EXPECT_EQ(kinds.size(), std::variant_size_v<HostEvent>);
}

// Told to a person instead: a line for each kind a person reads, in UTF-8, nothing for the rest,
// the states as a table (what the next test's run tells is not told again here).
TEST(Transcript, ToldAsAnAccountEachKindAPersonReadsTakesOneLine) {
  fakes::FakeServices fake;
  vb::Runtime rt{fake.services()};
  vb::Form form(rt, "frmExtract");
  form.SetCaption("Check-Out \xE9");
  using namespace events;
  const HostEvent told[] = {
      MsgBox{"Save\r\n\r\nnow?", 36, "Yes", "vbhost"},
      Execute{"WNORB16|frmMain", "UW", false, 285},
      EngineOutcome{"> EW x\r\n1 of 1 files extracted\r\n"},
      EngineCommand{"COMMENT caf\xE9", true, "Comment set", std::nullopt},
      EngineCommand{"VERSION 2", false, std::nullopt, 282},
      Launch{"C:\\N\\WNORB16", 1, true, std::nullopt},
      Write{"C:\\A\\M.bas", true, std::nullopt},
      Reload{"C:\\A\\App.vbp"},
      RunTimeError{"Click", 91, "Object variable not set"},
      Dialog{false, "frmExtract", "shown", &form},
      Dialog{false, "frmExtract", "closed", &form},
      LockMode{1},
      State{"Form1", 3},
      StatesShown{{{"Form1", 5}, {"Caf\xE9", 1}}},
      State{"Form1", 0},
  };
  std::ostringstream out;
  ReadableAccount account(out);
  Transcript transcript(account);
  for (const HostEvent& e : told) transcript.Emit(e);
  account.Finish();
  EXPECT_EQ(out.str(),
            "asked: \"Save | now?\" -> Yes\n"
            "sent: UW (failed, error 285)\n"
            "engine: > EW x | 1 of 1 files extracted\n"
            "to the engine: COMMENT caf\u00e9 -> Comment set\n"
            "to the engine: VERSION 2 (failed)\n"
            "launched: C:\\N\\WNORB16\n"
            "saved: C:\\A\\M.bas\n"
            "reloaded: C:\\A\\App.vbp\n"
            "run-time error 91 in Click: Object variable not set\n"
            "dialog frmExtract: \"Check-Out \u00e9\"\n"
            "component  state\n"
            "Form1      5 checked out to another user\n"
            "Caf\u00e9      1 not checked out\n"
            "lock states at the end:\n"
            "component  state\n"
            "Form1      0 no lock file\n"
            "Caf\u00e9      1 not checked out\n");
}

// `vbhost run --format text` tells the run so; into a pipe, and so into a file, the transcript
// stays JSON. A newcomer's Windows directory, empty: the add-in is registered there without a
// message.
TEST(ReadableAccount, VbhostTellsTheRunOnlyWhenAskedAndRegistersTheAddinSilently) {
  testing_support::TempFolder tmp;
  testing_support::WriteProject(tmp);
  tmp.Write(
      "s.scn",
      "addin install bin\nengine scripted\nengine reply G2LOCKING Y\n"
      "engine reply \"T \" \"is not checked out\\r\\n\"\nopen App/One.vbp\naddin connect\n"
      "addin connectaddin\nreadonly App/Module1.bas on\nedit Module1\nanswer msgbox OK\nsave Module1\n");
  const std::string run =
      "WINDIR='" + (tmp / "newcomer") + "' " + NORB_VBHOST + " run '" + (tmp / "s.scn") + "'";
  ASSERT_EQ(testing_support::Shell(run + " --format text >'" + (tmp / "out.txt") + "'"), 0);
  const std::string module = tmp.Windows("App\\Module1.bas");
  std::string told = testing_support::Contents(tmp / "out.txt");
  // The engine's folder goes in its short form, which the account shows as sent.
  const std::size_t cd = told.find("sent: CD C:\\");
  ASSERT_NE(cd, std::string::npos) << told;
  told.erase(cd, told.find('\n', cd) + 1 - cd);
  EXPECT_EQ(told, "launched: " + tmp.Windows("bin\\WNORB16") + " -L (not started)\n" +
                      "sent: G2LOCKING\nsent: T " + module +
                      "\nasked: \"Visual Basic has just requested to write " + module +
                      ", which is read-only. | Request denied. \" -> OK\nnot saved: " + module +
                      "\nlock states at the end:\ncomponent  state\nModule1    1 not checked out\n");
  EXPECT_EQ(testing_support::Contents(tmp / "newcomer/vbaddin.ini"),
            "[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=0\r\n");
  ASSERT_EQ(testing_support::Shell(run + " >'" + (tmp / "out.jsonl") + "'"), 0);
  EXPECT_EQ(testing_support::Contents(tmp / "out.jsonl").rfind("{\"event\":", 0), 0u);
}

// A "show states" lists a project's components without a search per name (100,000 of them took
// a minute): the same object all the same, a name given twice keeping its first place and its
// last value.
TEST(Transcript, NamedValuesAreWhatAJsonObjectsBracketsBuild) {
  const std::pair<std::string, long> members[] = {{"frmMain", 1}, {"modUtil", 0}, {"FRMMAIN", 2},
                                                  {"frmMain", 3}, {"", 7},        {"modUtil", 5}};
  Json expected = Json::object();
  NamedValues<long> built;
  for (const auto& [key, value] : members) {
    expected[key] = value;
    built.Set(key, value);
  }
  Json got = Json::object();
  for (const auto& [key, value] : built.Take()) got.push_back({key, value});
  EXPECT_EQ(got.dump(), expected.dump());
}

}  // namespace
}  // namespace vbhost
