#include <gtest/gtest.h>

#include "wnorb16/command_words.hpp"
#include "wnorb16/engine_server.hpp"
#include "wnorb16/rcs/rcs_archive.hpp"
#include "wnorb16/status_log.hpp"

namespace wnorb16::rcs {
namespace {

constexpr char kArchive[] =
    "head\t1.2;\naccess;\nsymbols\n\tV1:1.1;\nlocks\n\tbob:1.2\n\tann:1.1.1.1; strict;\n"
    "comment\t@# @;\n\n\n1.2\ndate\t2024.03.01.17.05.09;\tauthor bob;\tstate Exp;\nbranches;\nnext\t1.1;\n"
    "commitid\tabc;\n\n1.1\ndate\t99.12.31.23.59.59;\tauthor ann;\tstate "
    "Exp;\nbranches\n\t1.1.1.1;\nnext\t;\n\n"
    "1.1.1.1\ndate\t2024.01.01.00.00.00;\tauthor ann;\tstate Exp;\nbranches;\nnext\t;\n\n\n"
    "desc\n@a @@ "
    "sign@\n\n\n1.2\nlog\n@second\nmore@\ntext\n@x@@y\n@\n\n\n1.1\nlog\n@first@\nowner\tann;\ntext\n@d1 "
    "1\n@\n\n\n"
    "1.1.1.1\nlog\n@on a branch@\ntext\n@@\n";

TEST(Archive, ReadsLocksDeltasAndLogsFromAnyPrefix) {
  std::optional<Archive> archive = ParseArchive(kArchive);
  ASSERT_TRUE(archive);
  EXPECT_EQ(archive->locks, (std::vector<ArchiveLock>{{"bob", "1.2"}, {"ann", "1.1.1.1"}}));
  EXPECT_EQ(archive->FindDelta("1.1")->branches, std::vector<std::string>{"1.1.1.1"});
  EXPECT_EQ(archive->FindDelta("1.2")->log, "second\nmore");
  // A phrase another program added after a log ("owner ann;") is skipped.
  EXPECT_EQ(archive->FindDelta("1.1")->log, "first");
  EXPECT_EQ(FormatRcsDate(archive->FindDelta("1.1")->date), "1999/12/31 23:59:59");

  // The header from any prefix: whole once "desc" is reached, never wrong before; the locks
  // alone once the first delta begins.
  const std::string_view text = kArchive;
  const std::size_t desc = text.find("desc") + 4, first_delta = text.find("\n1.2\n") + 1;
  for (std::size_t n = 0; n < text.size(); ++n) {
    Archive header;
    ParseStatus status = ParseArchiveHeader(text.substr(0, n), header);
    EXPECT_EQ(status, n > desc ? ParseStatus::kComplete : ParseStatus::kTruncated) << n;
    EXPECT_TRUE(status != ParseStatus::kComplete || header.locks.size() == 2) << n;
  }
  for (std::size_t n : {first_delta - 1, first_delta + 4}) {
    Archive admin;
    EXPECT_EQ(ParseArchiveHeader(text.substr(0, n), admin, HeaderPart::kAdmin),
              n > first_delta ? ParseStatus::kComplete : ParseStatus::kTruncated);
  }
  Archive header;
  EXPECT_EQ(ParseArchiveHeader("head 1.1; locks bob 1.1; strict;\ndesc\n@@", header),
            ParseStatus::kMalformed);
  EXPECT_FALSE(ParseArchive(text.substr(0, text.size() - 3)));
  for (auto [lower, higher] : {std::pair{"1.9", "1.10"}, {"1.10", "2.1"}, {"2.1", "2.1.1.1"}})
    EXPECT_LT(CompareRevisions(lower, higher), 0) << lower;
  EXPECT_EQ(CompareRevisions("1.01", "1.1"), 0);
}

TEST(CommandWords, OptionLettersInAnyOrderAndCase) {
  auto parsed = ParseCommand("ufkw a.frm, b.frm ,c.frm");
  ASSERT_TRUE(std::holds_alternative<Command>(parsed));
  const Command& command = std::get<Command>(parsed);
  EXPECT_EQ(command.kind, CommandKind::kUpdate);
  EXPECT_EQ(command.options, "FK");
  EXPECT_EQ(command.names, (std::vector<std::string>{"a.frm", "b.frm", "c.frm"}));
  EXPECT_EQ(std::get<Command>(ParseCommand("ESRFW x")).options, "FRS");
  EXPECT_EQ(std::get<Command>(ParseCommand("T C:\\A B\\X.FRM")).names,
            std::vector<std::string>{"C:\\A B\\X.FRM"});
  EXPECT_EQ(std::get<Command>(ParseCommand("-C X.FRM X.FRM")).names.size(), 2u);
  EXPECT_EQ(std::get<Command>(ParseCommand("UBMSW x")).options, "MSB");
  EXPECT_EQ(std::get<Command>(ParseCommand("comment  fixed it, twice ")).names,
            std::vector<std::string>{"fixed it, twice"});
  EXPECT_TRUE(std::get<Command>(ParseCommand("COMMENT")).names.empty());
  EXPECT_EQ(std::get<CommandError>(ParseCommand("EQW x")).reason, "unknown option \"Q\" in EQW");
  // Logged and published cut, never half a character.
  EXPECT_EQ(CommandAsShown("T C:\\" + std::string(10 * 1024 * 1024, 'a')),
            "T C:\\" + std::string(195, 'a') + "... (10,485,765 bytes)");
  EXPECT_EQ(CommandAsShown(std::string(199, 'a') + "\xC3\xA9" + std::string(3 << 20, 'b')),
            std::string(199, 'a') + "... (3,145,929 bytes)");
}

// What an engine window would show goes to everyone; a lock pass's queries do not.
TEST(EngineServer, OutcomesArePublishedForWhatChangesFilesOrReportsAndForEveryError) {
  const std::vector<std::pair<std::string, bool>> commands = {
      {"EW A.BAS", true}, {"UW A.BAS", true},   {"-C A.BAS", true},  {"CONFIG", true},
      {"T A.BAS", false}, {"G2LOCKING", false}, {"CD C:\\X", false}, {"L A.BAS", false}};
  for (const auto& [command, published] : commands) {
    EXPECT_EQ(IsPublishedOutcome(command, "fine\r\n"), published) << command;
    EXPECT_TRUE(IsPublishedOutcome(command, "ERROR: no\r\n")) << command;
  }
  // An outcome longer than the link carries is cut; without a log, or with one that could not be
  // opened, the line that says so points to no log.
  EngineSetup setup;
  setup.ini_path = "/nonexistent/WNORB.INI";
  Engine engine(setup);
  StatusLog unopened("/nonexistent/WNORB.LOG");
  for (StatusLog* log : {static_cast<StatusLog*>(nullptr), &unopened}) {
    EngineServer server(engine, nullptr, log);
    server.SetAnswerLimit(120);
    server.Execute("EQW " + std::string(150, 'x'));
    EXPECT_EQ(server.application()->FindTopic(kStatusTopic)->FindItem(kOutcomeItem)->value,
              "> EQW " + std::string(47, 'x') +
                  "\r\nANSWER CUT: it is 192 bytes long; the link carries at most 120.\r\n")
        << (log != nullptr);
  }
}

}  // namespace
}  // namespace wnorb16::rcs
