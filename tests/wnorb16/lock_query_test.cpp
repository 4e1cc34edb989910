#include "engine_fixture.hpp"

namespace testing_support {
namespace {

std::string TrimBlanks(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  return s.erase(s.find_last_not_of(' ') + 1);
}

// The add-in's reading of a lock answer's data line: holder and type cut from fixed positions.
std::pair<std::string, std::string> HolderAndType(const std::string& reply) {
  const std::string separator = std::string(28, '-') + "  " + std::string(33, '-');
  // Mid(t, p + 67): past the separator, CR LF and the data line's first two characters.
  std::string t = reply.substr(reply.find(separator) + 63 + 4);
  t = TrimBlanks(t.substr(0, t.find('\r')));
  return {TrimBlanks(t.substr(0, 30)), TrimBlanks(t.substr(29))};  // the type from character 30
}

TEST_F(EngineTest, LockQueryAnswersEachState) {
  Write("NEW.FRM", "new\n");
  EXPECT_EQ(Run("T " + Windows("NEW.FRM")), Windows("NEW.FRM") + ": NO LOCK FILE\r\n");
  Archived("FORM1.FRM", "one\n");
  const std::string name = Windows("FORM1.FRM");
  EXPECT_EQ(Run("T " + name), name + " is not checked out\r\n");
  // Symbolic names make the header longer than one read.
  std::vector<std::string> symbols;
  for (int i = 0; i < 700; ++i) symbols.push_back("-nRELEASE_NAME_NUMBER_" + std::to_string(i) + ":1.1");
  symbols.push_back(Archive("FORM1.FRM"));
  Rcs("rcs", symbols);
  LockAs(kUser, "FORM1.FRM");
  ASSERT_GT(Contents(Archive("FORM1.FRM")).find("\ndesc\n"), 16384u + 100);
  EXPECT_EQ(Run("T " + name), name + " is checked out to you\r\n" +
                                  "  Locked by                     Type\r\n"
                                  "----------------------------  ---------------------------------\r\n"
                                  "  ann                           locked revision 1.1\r\n");
  // Several locks: the user's own first, else the first the archive lists; a long holder is cut.
  Archived("MULTI.BAS", "1\n");
  Rcs("rcs", {"-l1.1", Archive("MULTI.BAS")}, "bob");
  EXPECT_TRUE(Run("T " + Windows("MULTI.BAS"))
                  .starts_with(Windows("MULTI.BAS") + " is checked out to someone else\r\n"));
  EXPECT_EQ(HolderAndType(Run("T " + Windows("MULTI.BAS"))),
            std::make_pair(std::string("bob"), std::string("locked revision 1.1")));
  Rcs("rcs", {"-u1.1", Archive("MULTI.BAS")}, "bob");
  LockAs(kUser, "MULTI.BAS");
  Write("MULTI.BAS", "2\n");
  Rcs("ci", {"-l", "-m2", Archive("MULTI.BAS"), Path("MULTI.BAS")});  // 1.2, still ann's
  Rcs("rcs", {"-l1.1", Archive("MULTI.BAS")}, "a_user_name_of_thirty_two_chars");
  const std::string multi = Run("T " + Windows("MULTI.BAS"));
  EXPECT_TRUE(multi.starts_with(Windows("MULTI.BAS") + " is checked out to you\r\n")) << multi;
  EXPECT_EQ(HolderAndType(multi), std::make_pair(std::string("ann"), std::string("locked revision 1.2")));
  Rcs("rcs", {"-u1.2", Archive("MULTI.BAS")});
  EXPECT_EQ(HolderAndType(Run("T " + Windows("MULTI.BAS"))),
            std::make_pair(std::string("a_user_name_of_thirty_two_ch"), std::string("locked revision 1.1")));
}

TEST_F(EngineTest, NamesAreShortOrRelativeToTheFolderOfTheLastCd) {
  Archived("my form, v2.frm", "x\n");
  LockAs("bob", "my form, v2.frm");
  tmp_.MakeDir("proj/long folder name/sub");
  const std::string short_name = Short("my form, v2.frm");
  ASSERT_EQ(short_name.find_first_of(" ,"), std::string::npos) << short_name;
  EXPECT_TRUE(Run("T " + short_name).starts_with(short_name + " is checked out to someone else\r\n"));

  const std::string relative = short_name.substr(short_name.rfind('\\') + 1);
  EXPECT_EQ(Run("CD " + Short("long folder name")), "OK");
  EXPECT_EQ(Run("CD SUB"), "OK");
  EXPECT_EQ(Run("CD ..\\..\\"), "OK");
  EXPECT_EQ(HolderAndType(Run("T " + relative)).first, "bob");
  // "C:NAME" is relative to the current folder of drive C:, which CD made ours.
  EXPECT_EQ(HolderAndType(Run("T " + short_name.substr(0, 2) + relative)).first, "bob");
  EXPECT_EQ(Run("CD " + tmp_.Windows("nowhere")), "ERROR: no folder " + tmp_.Windows("nowhere") + "\r\n");
  EXPECT_EQ(HolderAndType(Run("T " + relative)).first, "bob");  // the folder stayed
}

}  // namespace
}  // namespace testing_support
