// The add-in in the IDE: its buttons in the four command bars, their removal, the clipboard the
// faces travel through, and self-registration.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/stat.h>

#include "tests/host/scenario_fixture.hpp"

namespace {

using Lines = std::vector<std::string>;
using nlohmann::json;

class AddinShell : public testing_support::ScenarioFixture {
 protected:
  // The add-in's items of each bar from the last `show bars`, as "caption|begingroup|face".
  static std::map<std::string, Lines> AddinItems(const Lines& t) {
    std::map<std::string, Lines> out;
    json bars = json::parse(With(t, "\"event\":\"bars\"").back())["bars"];
    for (const auto& bar : bars) {
      Lines items;
      for (const auto& item : bar["items"]) {
        if (item["owner"] != "addin") continue;
        items.push_back(item["caption"].get<std::string>() + (item["begingroup"].get<bool>() ? "|sep" : "") +
                        (item["face"].is_null() ? "" : "|face" + std::to_string(item["face"].get<int>())));
      }
      out[bar["name"].get<std::string>()] = items;
    }
    return out;
  }
  std::string IdeFolder() const {
    std::string dir = "C:" + (tmp / "ide");
    for (auto& c : dir) {
      if (c == '/') c = '\\';
    }
    return dir;
  }
};

const Lines kFolderMenuWithoutC2 = {"Delta &Compare|sep|face2", "Version &History|face1", "C&heck Out",
                                    "Check &In"};
const Lines kFolderMenuWithC2 = {"Delta &Compare|sep|face2", "Version &History|face1"};

TEST_F(AddinShell, BothLayoutsOfTheMenus) {
  testing_support::Write(tmp / "ide/VB5.EXE", "");
  Lines t = Run("set ide " + IdeFolder() + "\\VB5.EXE\naddin connect\nshow bars\n");
  auto items = AddinItems(t);
  EXPECT_EQ(items["Tools"],
            (Lines{"&Get", "C&heck Out", "Check &In", "&Undo Check Out",
                   "Check-Out Active Project [.VBP]|sep|face4", "Check-In Active Project [.VBP]|face5",
                   "&Version Control Options|sep|face0", "Run &NORB for Windows|face3"}));
  for (const char* bar : {"Project Window Form Folder", "Project Window Module/Class Folder",
                          "Project Window Related Documents Folder"}) {
    EXPECT_EQ(items[bar], kFolderMenuWithoutC2) << bar;
  }
  // The add-in's items come after the host's own: the insert positions are counted from them.
  json bars = json::parse(With(t, "\"event\":\"bars\"").back())["bars"];
  EXPECT_EQ(bars[0]["items"][7]["caption"], "&Get");
  EXPECT_EQ(bars[3]["items"][5]["caption"], "Delta &Compare");

  testing_support::Write(tmp / "ide/C2.EXE", "");
  t = Run("set ide " + IdeFolder() + "\\VB5.EXE\naddin connect\nshow bars\n");
  items = AddinItems(t);
  EXPECT_EQ(items["Tools"],
            (Lines{"Check-Out Active Project [.VBP]|sep|face4", "Check-In Active Project [.VBP]|face5",
                   "&Version Control Options|sep|face0", "Run &NORB for Windows|face3"}));
  for (const char* bar : {"Project Window Form Folder", "Project Window Module/Class Folder",
                          "Project Window Related Documents Folder"}) {
    EXPECT_EQ(items[bar], kFolderMenuWithC2) << bar;
  }
}

TEST_F(AddinShell, AFailedC2TestCountsAsFoundAndAMissingBarSkipsOnlyItsRows) {
  // An IDE path shorter than the file name it should end in: the test itself fails.
  Lines t = Run("set ide C:\\X\naddin connect\nshow bars\n");
  auto items = AddinItems(t);
  EXPECT_EQ(items["Tools"].size(), 4u);
  EXPECT_EQ(items["Project Window Form Folder"], kFolderMenuWithC2);

  t = Run("bar remove \"Project Window Module/Class Folder\"\naddin connect\nshow bars\n");
  items = AddinItems(t);
  EXPECT_EQ(items.count("Project Window Module/Class Folder"), 0u);
  EXPECT_EQ(items["Tools"].size(), 8u);
  EXPECT_EQ(items["Project Window Form Folder"], kFolderMenuWithoutC2);
  EXPECT_EQ(items["Project Window Related Documents Folder"], kFolderMenuWithoutC2);
  for (const char* member : {"cbcModClassCheckIn", "cbcModClassCheckOut", "cbcMCHistory", "cbcMCDelta"}) {
    EXPECT_TRUE(With(t, std::string("\"member\":\"") + member + "\"").empty()) << member;
  }
  EXPECT_TRUE(With(t, "\"event\":\"msgbox\"").empty());
}

TEST_F(AddinShell, ASecondConnectionReleasesTheFirstSetsSubscriptions) {
  // The first set's buttons stay in their bars, but their event objects died with the
  // subscription members that now hold the second set's.
  Lines t =
      Run("open App/App.vbp\nengine scripted\nengine reply G2LOCKING N\naddin connectaddin\n"
          "addin connect\naddin connect\nclick Tools \"&Version Control Options\" 2\n"
          "click Tools \"&Version Control Options\"\nshow bars\n");
  EXPECT_EQ(With(t, "\"command\":\"CONFIG\"").size(), 1u);
  EXPECT_EQ(AddinItems(t)["Tools"].size(), 16u);
}

TEST_F(AddinShell, DisconnectionDeletesInMemberOrderOnceAndSilently) {
  Lines t = Run("addin connect\naddin disconnect\naddin disconnect\nshow bars\n");
  Lines deletes = With(t, "\"action\":\"delete\"");
  Lines members;
  for (const auto& d : deletes) members.push_back(json::parse(d)["member"]);
  EXPECT_EQ(
      members,
      (Lines{
          "cbcOptions",          "cbcFHistory",        "cbcFDelta",       "cbcMCHistory",    "cbcMCDelta",
          "cbcRDHistory",        "cbcRDDelta",         "cbcCheckIn",      "cbcCheckOut",     "cbcPrjCheckIn",
          "cbcPrjCheckOut",      "cbcUNCheckOut",      "cbcGet",          "cbcFormCheckOut", "cbcFormCheckIn",
          "cbcModClassCheckOut", "cbcModClassCheckIn", "cbcDocsCheckOut", "cbcDocsCheckIn",  "cbcRunNORB"}));
  for (const auto& [bar, items] : AddinItems(t)) EXPECT_TRUE(items.empty()) << bar;
  EXPECT_TRUE(With(t, "\"event\":\"msgbox\"").empty());
  EXPECT_TRUE(With(t, "\"event\":\"error\"").empty());
}

TEST_F(AddinShell, ConnectionIsTheSameForEveryModeStartsNoEngineAndKeepsTheClipboard) {
  Lines first = Run("set clipboard \"the user's text\"\naddin connect 0\nshow clipboard\n");
  Lines other = Run("set clipboard \"the user's text\"\naddin connect 3\nshow clipboard\n");
  EXPECT_EQ(first, other);
  EXPECT_TRUE(With(first, "\"event\":\"launch\"").empty());
  EXPECT_TRUE(With(first, "\"form\":\"frmSplash\"").empty());
  EXPECT_TRUE(With(first, "\"event\":\"link\"").empty());
  // The faces went through the clipboard; what the user had copied is back afterwards.
  EXPECT_EQ(With(first, "\"action\":\"set\"").size(), 10u);
  EXPECT_EQ(With(first, "\"action\":\"restore\""),
            Lines{R"({"event":"clipboard","action":"restore","content":"the user's text"})"});
  EXPECT_EQ(first.back(), R"({"event":"clipboard","show":true,"content":"the user's text"})");
}

TEST_F(AddinShell, SubMainRegistersOnceAndLeavesAnyOtherValueAlone) {
  // Nothing registered yet: written once, with its message; the next run finds it.
  Lines t = Run("set windir win2\nanswer msgbox OK\naddin main\nshow addins\n");
  EXPECT_EQ(
      With(t, "\"action\":\"write\""),
      Lines{
          R"({"event":"profile","action":"write","file":"vbaddin.ini","section":"Add-Ins32","key":"NORBVB5.nvb5VersionControl","value":"0","ok":true})"});
  EXPECT_EQ(With(t, "\"event\":\"msgbox\""),
            Lines{R"({"event":"msgbox","text":"NORB add-in installed...","style":4096,"answer":"OK"})"});
  EXPECT_EQ(t.back(), R"({"event":"addins","show":true,"entries":{"NORBVB5.nvb5VersionControl":"0"}})");

  struct Case {
    const char* value;
    bool rewritten;
  };
  for (Case c : {Case{"NotFound", true}, Case{"", false}, Case{"1", false}}) {
    testing_support::Write(tmp / "win3/vbaddin.ini",
                           "; the IDE's list\r\n[Add-Ins32]\r\nNORBVB5.nvb5VersionControl=" +
                               std::string(c.value) + "\r\nOther.Connect=1\r\n");
    t = Run(std::string("set windir win3\n") + (c.rewritten ? "answer msgbox OK\n" : "") +
            "addin main\nshow addins\n");
    EXPECT_EQ(With(t, "\"action\":\"write\"").size(), c.rewritten ? 1u : 0u) << c.value;
    EXPECT_EQ(With(t, "\"event\":\"msgbox\"").size(), c.rewritten ? 1u : 0u) << c.value;
    EXPECT_EQ(t.back(),
              std::string(R"({"event":"addins","show":true,"entries":{"NORBVB5.nvb5VersionControl":")") +
                  (c.rewritten ? "0" : c.value) + R"(","Other.Connect":"1"}})");
  }
}

TEST_F(AddinShell, AReadOnlyListGivesTheFailureMessageAndChangesNothing) {
  testing_support::Write(tmp / "win4/vbaddin.ini", "[Other]\r\nx=1\r\n");
  ::chmod((tmp / "win4/vbaddin.ini").c_str(), 0444);
  Lines t = Run("set windir win4\nanswer msgbox OK\naddin connect\n");
  EXPECT_EQ(
      With(t, "\"event\":\"msgbox\""),
      Lines{
          R"({"event":"msgbox","text":"NORB add-in failed to write vbaddin.ini; is Visual Basic 5.0 properly installed on this machine?","style":4096,"answer":"OK"})"});
  EXPECT_EQ(With(t, "\"action\":\"write\"").back().find("\"ok\":false") != std::string::npos, true);
  std::ifstream in(tmp / "win4/vbaddin.ini", std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "[Other]\r\nx=1\r\n");
}

}  // namespace
