#include "engine_fixture.hpp"

namespace testing_support {
namespace {

std::string TrimBlanks(std::string s) {
  while (!s.empty() && s.front() == ' ') s.erase(0, 1);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}
std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}
std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// The add-in's reading of a lock answer: the phrase tests in its order (later ones win), and
// for a locked file the holder and type cut from the fixed positions after the separator.
struct AddinView {
  std::string state = "none";
  std::string holder;
  std::string type;
};
AddinView AsTheAddinReadsIt(const std::string& reply) {
  AddinView view;
  if (Lower(reply).find("is not checked out") != std::string::npos) view.state = "not";
  if (Lower(reply).find("is checked out to someone else") != std::string::npos) view.state = "other";
  if (Lower(reply).find("is checked out to you") != std::string::npos) view.state = "you";
  if (Upper(reply).find("NO LOCK FILE") != std::string::npos) view.state = "none";
  if (view.state == "other" || view.state == "you") {
    const std::string separator = std::string(28, '-') + "  " + std::string(33, '-');
    // Mid(t, p + 67): past the separator, CR LF and the data line's first two characters.
    auto p = reply.find(separator);
    std::string t = reply.substr(p + 63 + 4);
    t = TrimBlanks(t.substr(0, t.find('\r')));
    view.holder = TrimBlanks(t.substr(0, 30));
    view.type = TrimBlanks(t.substr(29));  // character 30 on, 1-based
  }
  return view;
}

TEST_F(EngineTest, LockQueryAnswersEachStateAsTheAddInReadsIt) {
  Write("NEW.FRM", "new\n");
  EXPECT_EQ(Run("T " + Windows("NEW.FRM")), Windows("NEW.FRM") + ": NO LOCK FILE\r\n");
  EXPECT_EQ(AsTheAddinReadsIt(Run("T " + Windows("NEW.FRM"))).state, "none");

  Archived("FORM1.FRM", "one\n");
  const std::string name = Windows("FORM1.FRM");
  EXPECT_EQ(Run("T " + name), name + " is not checked out\r\n");

  LockAs(kUser, "FORM1.FRM");
  std::string mine = Run("T " + name);
  EXPECT_EQ(mine, name + " is checked out to you\r\n" +
                      "  Locked by                     Type\r\n"
                      "----------------------------  ---------------------------------\r\n"
                      "  ann                           locked revision 1.1\r\n");
  AddinView view = AsTheAddinReadsIt(mine);
  EXPECT_EQ(view.state, "you");
  EXPECT_EQ(view.holder, "ann");
  EXPECT_EQ(view.type, "locked revision 1.1");

  // Released, changed and locked again by somebody else: revision 1.2 is theirs.
  Rcs("ci", {"-u", "-f", "-msecond", Archive("FORM1.FRM"), Path("FORM1.FRM")});
  LockAs("bob", "FORM1.FRM");
  view = AsTheAddinReadsIt(Run("T " + name));
  EXPECT_EQ(view.state, "other");
  EXPECT_EQ(view.holder, "bob");
  EXPECT_EQ(view.type, "locked revision 1.2");
}

// The first lock in the archive's own list, read from its text.
std::string FirstListedHolder(const std::string& archive_text) {
  auto locks = archive_text.find("locks");
  auto start = archive_text.find_first_not_of(" \t\n", locks + 5);
  return archive_text.substr(start, archive_text.find(':', start) - start);
}

TEST_F(EngineTest, LockQueryWithSeveralLocksPrefersTheUsersOwnElseTheFirstListed) {
  Archived("MULTI.BAS", "1\n");
  LockAs(kUser, "MULTI.BAS");
  Write("MULTI.BAS", "2\n");
  Rcs("ci", {"-u", "-m2", Archive("MULTI.BAS"), Path("MULTI.BAS")});  // 1.2
  Rcs("rcs", {"-l1.1", Archive("MULTI.BAS")});
  Write("MULTI.BAS", "branch\n");
  Rcs("ci", {"-u", "-r1.1.1", "-mb", Archive("MULTI.BAS"), Path("MULTI.BAS")});  // 1.1.1.1
  Rcs("rcs", {"-l1.1", Archive("MULTI.BAS")}, "bob");
  Rcs("rcs", {"-l1.1.1.1", Archive("MULTI.BAS")}, "carl");

  const std::string first = FirstListedHolder(Contents(Archive("MULTI.BAS")));
  AddinView view = AsTheAddinReadsIt(Run("T " + Windows("MULTI.BAS")));
  EXPECT_EQ(view.state, "other");
  EXPECT_EQ(view.holder, first);
  EXPECT_EQ(view.type, first == "bob" ? "locked revision 1.1" : "locked revision 1.1.1.1");

  Rcs("rcs", {"-l1.2", Archive("MULTI.BAS")});
  view = AsTheAddinReadsIt(Run("T " + Windows("MULTI.BAS")));
  EXPECT_EQ(view.state, "you");
  EXPECT_EQ(view.holder, "ann");
  EXPECT_EQ(view.type, "locked revision 1.2");

  const std::string long_user = "a_user_name_of_thirty_two_chars";
  Archived("LONG.BAS", "x\n");
  LockAs(long_user, "LONG.BAS");
  view = AsTheAddinReadsIt(Run("T " + Windows("LONG.BAS")));
  EXPECT_EQ(view.state, "other");
  EXPECT_EQ(view.holder, long_user.substr(0, 28));
  EXPECT_EQ(view.type, "locked revision 1.1");
}

TEST_F(EngineTest, LockQueryTakesShortNamesAndRelativeNamesAfterCd) {
  Archived("my form, v2.frm", "x\n");
  LockAs("bob", "my form, v2.frm");
  const std::string short_name = Short("my form, v2.frm");
  ASSERT_EQ(short_name.find_first_of(" ,"), std::string::npos) << short_name;
  std::string reply = Run("T " + short_name);
  EXPECT_TRUE(reply.starts_with(short_name + " is checked out to someone else\r\n")) << reply;

  EXPECT_EQ(Run("CD " + Short("")), "OK");
  const std::string relative = short_name.substr(short_name.rfind('\\') + 1);
  EXPECT_EQ(AsTheAddinReadsIt(Run("T " + relative)).holder, "bob");
  // "C:NAME" is relative to the current folder of drive C:, which CD made ours.
  EXPECT_EQ(AsTheAddinReadsIt(Run("T " + short_name.substr(0, 2) + relative)).holder, "bob");
}

TEST_F(EngineTest, LockQueryReadsHeadersLongerThanOneRead) {
  Archived("BIG.BAS", "0\n");
  // Symbolic names make the header long without a process per revision.
  std::vector<std::string> names;
  for (int i = 0; i < 700; ++i) names.push_back("-nRELEASE_NAME_NUMBER_" + std::to_string(i) + ":1.1");
  names.push_back(Archive("BIG.BAS"));
  Rcs("rcs", names);
  LockAs("bob", "BIG.BAS");
  ASSERT_GT(Contents(Archive("BIG.BAS")).find("\ndesc\n"), 16384u + 100);
  AddinView view = AsTheAddinReadsIt(Run("T " + Windows("BIG.BAS")));
  EXPECT_EQ(view.holder, "bob");
  EXPECT_EQ(view.type, "locked revision 1.1");
}

}  // namespace
}  // namespace testing_support
