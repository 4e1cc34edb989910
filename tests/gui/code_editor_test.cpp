// The code window's split of a VB source into the lines it shows and the ones VB hides, and its
// colouring, on files shaped as VB writes them; the engine pane's diff colours.
#include "gui/code_editor.hpp"

#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

#include "gui/diff_highlighter.hpp"

namespace {

using vbgui::CodeColour;

std::string Shown(const vbgui::CodeLines& code) {
  std::string text;
  for (std::size_t i = 0; i < code.shown.size(); ++i) text += (i ? "\n" : "") + code.shown[i];
  return text;
}

TEST(CodeWindow, ShowsWhatVBShowsAndWritesTheHiddenLinesBack) {
  struct Case {
    const char* what;
    std::string file;
    std::string shown;
  };
  const Case cases[] = {
      {"a form: VERSION, its Object lines, the Begin block with nested blocks and properties, the module's "
       "attributes",
       "VERSION 5.00\r\nObject = \"{6B7E6392-850A-101B-AFC0-4210102A8DA7}#1.3#0\"; \"COMCTL32.OCX\"\r\n"
       "Begin VB.Form F \r\n   Caption = \"End\"\r\n   Begin VB.CommandButton c \r\n      BeginProperty Font "
       "\r\n"
       "         Name = \"Arial\"\r\n      EndProperty\r\n   End\r\nEnd\r\nAttribute VB_Name = \"F\"\r\n"
       "Attribute VB_Exposed = False\r\nOption Explicit\r\n",
       "Option Explicit\n"},
      {"a class: its BEGIN/END block in capitals",
       "VERSION 1.0 CLASS\r\nBEGIN\r\n  MultiUse = -1  'True\r\nEND\r\nAttribute VB_Name = \"C\"\r\n"
       "Public X As Long\r\n",
       "Public X As Long\n"},
      {"a module whose last line has no end", "Attribute VB_Name = \"M\"\r\nSub Main()\r\nEnd Sub",
       "Sub Main()\nEnd Sub"},
      {"a procedure's attributes right after its first line",
       "Attribute VB_Name = \"C\"\r\nPublic Property Get Item(ByVal i As Long) As Variant\r\n"
       "Attribute Item.VB_UserMemId = 0\r\nAttribute Item.VB_Description = \"x\"\r\n    Item = i\r\n"
       "End Property\r\n",
       "Public Property Get Item(ByVal i As Long) As Variant\n    Item = i\nEnd Property\n"},
      {"after a first line continued with \" _\"",
       "Private Static Function F( _\r\n  ByVal a As Long) As Long\r\nAttribute F.VB_HelpID = 7\r\nEnd "
       "Function\r\n",
       "Private Static Function F( _\n  ByVal a As Long) As Long\nEnd Function\n"},
      {"an Attribute line in the middle of a module, where VB takes none, shows",
       "Attribute VB_Name = \"M\"\r\nDim x\r\nAttribute VB_Exposed = False\r\nSub A()\r\nx = 1\r\n"
       "Attribute A.VB_UserMemId = 0\r\nEnd Sub\r\n",
       "Dim x\nAttribute VB_Exposed = False\nSub A()\nx = 1\nAttribute A.VB_UserMemId = 0\nEnd Sub\n"},
      {"a header whose block never ends hides nothing",
       "VERSION 5.00\r\nBegin VB.Form F\r\n   Caption = \"x\"\r\n",
       "VERSION 5.00\nBegin VB.Form F\n   Caption = \"x\"\n"},
      {"a line that only begins with VERSION", "Version = 2\r\nAttribute VB_Name = \"M\"\r\n",
       "Version = 2\nAttribute VB_Name = \"M\"\n"},
      {"a module of attributes only", "Attribute VB_Name = \"M\"\r\n", ""},
      {"LF line ends", "Attribute VB_Name = \"M\"\nSub A()\n", "Sub A()\n"},
      {"an empty file", "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const vbgui::CodeLines code = vbgui::SplitCode(c.file);
    EXPECT_EQ(Shown(code), c.shown);
    const bool crlf = c.file.find("\r\n") != std::string::npos;
    EXPECT_EQ(vbgui::JoinCode(code, crlf ? "\r\n" : "\n"), c.file);
  }
  // The editor keeps a procedure's attributes by the procedure: they follow it when it moves and
  // go when it goes.
  const std::string head = "Attribute VB_Name = \"C\"\r\n";
  const auto attributes =
      vbgui::AttributesByProcedure(vbgui::SplitCode(
          head + "Property Get A()\r\nAttribute A.VB_UserMemId = 0\r\nEnd Property\r\nSub B()\r\n"
                 "Attribute B.VB_Description = \"b\"\r\nEnd Sub\r\n"));
  vbgui::CodeLines moved{head, {"Public Sub B()", "End Sub", "", "Property Get A()", "End Property", ""}, {}};
  vbgui::PlaceAttributes(moved, attributes);
  EXPECT_EQ(vbgui::JoinCode(moved, "\r\n"), head +
                                                "Public Sub B()\r\nAttribute B.VB_Description = \"b\"\r\nEnd "
                                                "Sub\r\n\r\nProperty Get A()\r\nAttribute A.VB_UserMemId = "
                                                "0\r\nEnd Property\r\n");
  vbgui::CodeLines renamed{head, {"Property Get C()", "End Property"}, {}};
  vbgui::PlaceAttributes(renamed, attributes);
  EXPECT_EQ(vbgui::JoinCode(renamed, "\r\n"), head + "Property Get C()\r\nEnd Property");
}

// Typed in the editor: a procedure's attribute stays right after its first line when a line is
// opened above or below it or the line below is joined to it, and goes when the procedure goes.
TEST(CodeWindow, AnAttributeFollowsItsProcedureThroughEdits) {
  vbgui::CodeEditor editor(nullptr);
  const std::string head = "Attribute VB_Name = \"C\"\r\n", attribute = "Attribute Item.VB_UserMemId = 0\r\n";
  editor.SetFileText(head + "Property Get Item()\r\n" + attribute + "End Property\r\n", true);
  editor.moveCursor(QTextCursor::Start);
  editor.moveCursor(QTextCursor::EndOfLine);
  QTest::keyClick(&editor, Qt::Key_Return);
  QTest::keyClicks(&editor, "Item = 1");
  EXPECT_EQ(editor.FileText(), head + "Property Get Item()\r\n" + attribute + "Item = 1\r\nEnd Property\r\n");
  editor.moveCursor(QTextCursor::Start);
  QTest::keyClick(&editor, Qt::Key_Return);
  EXPECT_EQ(editor.FileText(),
            head + "\r\nProperty Get Item()\r\n" + attribute + "Item = 1\r\nEnd Property\r\n");
  QTest::keyClick(&editor, Qt::Key_Backspace);
  editor.moveCursor(QTextCursor::Down);
  QTest::keyClick(&editor, Qt::Key_Home);
  QTest::keyClick(&editor, Qt::Key_Backspace);
  EXPECT_EQ(editor.FileText(), head + "Property Get Item()Item = 1\r\n" + attribute + "End Property\r\n");
  editor.moveCursor(QTextCursor::Start);
  editor.moveCursor(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
  editor.moveCursor(QTextCursor::Down, QTextCursor::KeepAnchor);
  editor.moveCursor(QTextCursor::EndOfLine, QTextCursor::KeepAnchor);
  // The procedure deleted takes its attribute with it, as in VB.
  QTest::keyClick(&editor, Qt::Key_Delete);
  EXPECT_EQ(editor.FileText(), head + "\r\n");
}

// Each line's coloured parts as "kind:text" (K keyword, C comment, S string).
std::string Colours(const QString& line, bool continued = false, bool* continues = nullptr) {
  bool goes_on = false;
  std::string out;
  for (const vbgui::CodeSpan& s : vbgui::ColourLine(line, continued, &goes_on)) {
    out += std::string(out.empty() ? "" : " ") +
           (s.colour == CodeColour::kKeyword   ? "K:"
            : s.colour == CodeColour::kComment ? "C:"
                                               : "S:") +
           line.mid(s.start, s.length).toStdString();
  }
  if (continues) *continues = goes_on;
  return out;
}

TEST(CodeWindow, ColoursKeywordsCommentsAndStrings) {
  EXPECT_EQ(Colours("If x Then MsgBox \"End If \"\" Then\" ' done: End"),
            "K:If K:Then S:\"End If \"\" Then\" C:' done: End");
  EXPECT_EQ(Colours("  public sub Main(): rem a note"), "K:public K:sub C:rem a note");
  // A member named as a keyword, a name that only begins with one, an unclosed string.
  EXPECT_EQ(Colours("Debug.Print Ending, Text1.Text: s = \"open"), "S:\"open");
  EXPECT_EQ(Colours("Dim remark As String, n As Integer"), "K:Dim K:As K:String K:As K:Integer");
  EXPECT_EQ(Colours("Open f For Input As #1: Line Input #1, s: Close #1"),
            "K:Open K:For K:Input K:As K:Line K:Input K:Close");
  EXPECT_EQ(Colours("DefDate D: DefObj O: Set f = Me: If d < Date Then d = Date Else Set f = Nothing"),
            "K:DefDate K:DefObj K:Set K:Me K:If K:Date K:Then K:Date K:Else K:Set K:Nothing");
  EXPECT_EQ(Colours("On Error Resume Next"), "K:On K:Error K:Resume K:Next");
  EXPECT_EQ(Colours("Global Const Rate = 1"), "K:Global K:Const");
  EXPECT_EQ(Colours("Declare Function GetTickCount Lib \"kernel32\" () As Long"),
            "K:Declare K:Function K:Lib S:\"kernel32\" K:As K:Long");
  EXPECT_EQ(Colours("While n < 3: n = n + 1: Wend"), "K:While K:Wend");
  bool continues = false;
  EXPECT_EQ(Colours("x = 1 ' a comment _", false, &continues), "C:' a comment _");
  EXPECT_TRUE(continues);
  EXPECT_EQ(Colours("goes on here", true, &continues), "C:goes on here");
  EXPECT_FALSE(continues);
}

// The compare's lines take their colours as drawn: a file's line is grey though it begins like an
// added or removed one, and a context line stays plain.
TEST(EngineDiff, ColoursEachLineOfTheCompareByItsMark) {
  QTextDocument document;
  auto* highlighter = new vbgui::DiffHighlighter(&document);
  document.setPlainText(
      "> -C modRates.bas\n--- modRates.bas 1.1\n+++ modRates.bas\n@@ -1,2 +1,3 @@\n x = 1\n+' a rate for "
      "Sundays\n"
      "-y = 2\n");
  // A document no view draws is coloured when asked.
  highlighter->rehighlight();
  std::string colours;
  for (QTextBlock block = document.firstBlock(); block.isValid(); block = block.next()) {
    const QList<QTextLayout::FormatRange> formats = block.layout()->formats();
    colours += formats.isEmpty() ? std::string("none")
                                 : formats[0].format.foreground().color().name().toStdString() +
                                       (formats[0].length == block.length() - 1 ? "" : " part");
    colours += ",";
  }
  EXPECT_EQ(colours, "none,#555555,#555555,#1f4fbf,none,#1a7f37,#b42318,none,");
}

}  // namespace
