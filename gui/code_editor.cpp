#include "gui/code_editor.hpp"

#include <QFontDatabase>
#include <QSet>
#include <QTextBlock>
#include <algorithm>
#include <cctype>

#include "gui/text.hpp"

namespace vbgui {

namespace {

struct Line {
  std::string_view text;   // without its end
  std::string_view whole;  // with it
};

// Lines ended by CR LF, LF or a lone CR (the last may have no end).
std::vector<Line> SplitLines(std::string_view file) {
  std::vector<Line> lines;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t end = file.find_first_of("\r\n", at);
    if (end == std::string_view::npos) {
      lines.push_back({file.substr(at), file.substr(at)});
      break;
    }
    const std::size_t next = file.compare(end, 2, "\r\n") == 0 ? end + 2 : end + 1;
    lines.push_back({file.substr(at, end - at), file.substr(at, next - at)});
    at = next;
  }
  return lines;
}

bool SameWord(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// The line's words, as far as `count`.
std::vector<std::string_view> Words(std::string_view line, std::size_t count) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (words.size() < count) {
    at = line.find_first_not_of(" \t", at);
    if (at == std::string_view::npos) break;
    const std::size_t end = std::min(line.find_first_of(" \t", at), line.size());
    words.push_back(line.substr(at, end - at));
    at = end;
  }
  return words;
}

bool FirstWordIs(std::string_view line, std::string_view word) {
  auto words = Words(line, 1);
  return !words.empty() && SameWord(words[0], word);
}

// A procedure's first line: [Public|Private|Friend] [Static] Sub|Function|Property.
bool StartsProcedure(std::string_view line) {
  for (std::string_view word : Words(line, 4)) {
    if (SameWord(word, "Public") || SameWord(word, "Private") || SameWord(word, "Friend") ||
        SameWord(word, "Static"))
      continue;
    return SameWord(word, "Sub") || SameWord(word, "Function") || SameWord(word, "Property");
  }
  return false;
}

bool Continues(std::string_view line) {
  const std::size_t end = line.find_last_not_of(" \t");
  return end != std::string_view::npos && end >= 1 && line[end] == '_' &&
         (line[end - 1] == ' ' || line[end - 1] == '\t');
}

// How many lines a form's or class's header takes: VERSION, what comes before its Begin block,
// and the block to its End; 0 for a file without one, or whose block never ends (then nothing is
// hidden, rather than the whole file).
std::size_t HeaderLines(const std::vector<Line>& lines) {
  if (lines.empty()) return 0;
  const auto version = Words(lines[0].text, 2);
  if (version.size() < 2 || !SameWord(version[0], "VERSION") ||
      !std::isdigit(static_cast<unsigned char>(version[1][0])))
    return 0;
  int depth = 0;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    if (FirstWordIs(lines[i].text, "Begin")) {
      ++depth;
    } else if (depth > 0 && FirstWordIs(lines[i].text, "End")) {
      if (--depth == 0) return i + 1;
    } else if (depth == 0 && FirstWordIs(lines[i].text, "Attribute")) {
      return i;
    }
  }
  return 0;
}

}  // namespace

CodeLines SplitCode(std::string_view file) {
  const std::vector<Line> lines = SplitLines(file);
  CodeLines code;
  const std::size_t header = HeaderLines(lines);
  bool module_attributes = true;  // the module's Attribute lines, which come first
  bool after_procedure = false;   // a procedure's, right after its first line
  bool in_procedure_line = false;
  bool last_ended = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    bool hidden = i < header;
    if (!hidden && (module_attributes || after_procedure) && FirstWordIs(line.text, "Attribute")) {
      hidden = true;
    } else if (!hidden) {
      module_attributes = false;
      if (!in_procedure_line) in_procedure_line = StartsProcedure(line.text);
      after_procedure = in_procedure_line && !Continues(line.text);
      if (after_procedure) in_procedure_line = false;
    }
    if (hidden) {
      (code.shown.empty() ? code.head : code.hidden_after.back()) += line.whole;
      continue;
    }
    code.shown.emplace_back(line.text);
    code.hidden_after.emplace_back();
    last_ended = line.whole.size() > line.text.size();
  }
  // A file that ends with a line end shows an empty line after it, where typing goes on.
  if (last_ended) {
    code.shown.emplace_back();
    code.hidden_after.emplace_back();
  }
  return code;
}

std::string JoinCode(const CodeLines& code, std::string_view eol) {
  std::string file = code.head;
  for (std::size_t i = 0; i < code.shown.size(); ++i) {
    file += code.shown[i];
    if (i + 1 < code.shown.size()) file += eol;
    file += code.hidden_after[i];
  }
  return file;
}

namespace {

// The words VB's code window shows as keywords.
const QSet<QString>& Keywords() {
  static const QSet<QString> words = [] {
    QSet<QString> set;
    for (const char* w :
         {"AddressOf", "Alias",   "And",        "Any",     "As",      "Attribute",  "Base",
          "Boolean",   "ByRef",   "Byte",       "ByVal",   "Call",    "Case",       "Close",
          "Compare",   "Const",   "Currency",   "Date",    "Declare", "DefBool",    "DefByte",
          "DefCur",    "DefDate", "DefDbl",     "DefInt",  "DefLng",  "DefObj",     "DefSng",
          "DefStr",    "DefVar",  "Dim",        "Do",      "Double",  "Each",       "Else",
          "ElseIf",    "Empty",   "End",        "Enum",    "Eqv",     "Erase",      "Error",
          "Event",     "Exit",    "Explicit",   "False",   "For",     "Friend",     "Function",
          "Get",       "Global",  "GoSub",      "GoTo",    "If",      "Imp",        "Implements",
          "In",        "Input",   "Integer",    "Is",      "Let",     "Lib",        "Like",
          "Line",      "Lock",    "Long",       "Loop",    "LSet",    "Me",         "Mod",
          "New",       "Next",    "Not",        "Nothing", "Null",    "Object",     "On",
          "Open",      "Option",  "Optional",   "Or",      "Output",  "ParamArray", "Preserve",
          "Print",     "Private", "Property",   "Public",  "Put",     "RaiseEvent", "ReDim",
          "Resume",    "Return",  "RSet",       "Seek",    "Select",  "Set",        "Single",
          "Static",    "Step",    "Stop",       "String",  "Sub",     "Then",       "To",
          "True",      "Type",    "TypeOf",     "Unlock",  "Until",   "Variant",    "Wend",
          "While",     "With",    "WithEvents", "Write",   "Xor"})
      set.insert(QString::fromLatin1(w).toLower());
    return set;
  }();
  return words;
}

bool WordChar(QChar c) { return c.isLetterOrNumber() || c == '_'; }

}  // namespace

std::vector<CodeSpan> ColourLine(const QString& line, bool continued, bool* continues) {
  std::vector<CodeSpan> spans;
  const int n = static_cast<int>(line.size());
  auto comment_from = [&](int start) {
    spans.push_back({start, n - start, CodeColour::kComment});
    *continues = Continues(line.toStdString());
    return spans;
  };
  *continues = false;
  if (continued) return comment_from(0);
  bool statement_start = true;  // where Rem is a comment
  for (int i = 0; i < n;) {
    const QChar c = line[i];
    if (c == '\'') return comment_from(i);
    if (c == '"') {
      int end = i + 1;
      while (end < n && !(line[end] == '"' && (end + 1 >= n || line[end + 1] != '"')))
        end += line[end] == '"' ? 2 : 1;
      end = std::min(end + 1, n);
      spans.push_back({i, end - i, CodeColour::kString});
      i = end;
      statement_start = false;
      continue;
    }
    if (c.isLetter()) {
      int end = i;
      while (end < n && WordChar(line[end])) ++end;
      const QString word = line.mid(i, end - i).toLower();
      // After a dot it names a member (Text1.Text, e.Print), which VB does not colour.
      const bool member = i > 0 && line[i - 1] == '.';
      if (statement_start && word == "rem") return comment_from(i);
      if (!member && Keywords().contains(word)) spans.push_back({i, end - i, CodeColour::kKeyword});
      i = end;
      statement_start = false;
      continue;
    }
    if (c == ':')
      statement_start = true;
    else if (c != ' ' && c != '\t')
      statement_start = false;
    ++i;
  }
  return spans;
}

VbHighlighter::VbHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

QColor VbHighlighter::Colour(CodeColour colour) {
  switch (colour) {
    case CodeColour::kKeyword:
      return QColor(0x00, 0x00, 0x80);  // VB's dark blue
    case CodeColour::kComment:
      return QColor(0x00, 0x80, 0x00);  // VB's green
    case CodeColour::kString:
      return QColor(0x80, 0x00, 0x00);
  }
  return {};
}

void VbHighlighter::highlightBlock(const QString& text) {
  bool continues = false;
  for (const CodeSpan& span : ColourLine(text, previousBlockState() == 1, &continues))
    setFormat(span.start, span.length, Colour(span.colour));
  setCurrentBlockState(continues ? 1 : 0);
}

namespace {
// The hidden lines after a shown one, which go with its block as the text around it is edited.
class HiddenLines : public QTextBlockUserData {
 public:
  explicit HiddenLines(std::string lines) : lines(std::move(lines)) {}
  std::string lines;
};
}  // namespace

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  new VbHighlighter(document());
}

void CodeEditor::SetFileText(const std::string& file, bool crlf) {
  CodeLines code = SplitCode(file);
  eol_ = crlf ? "\r\n" : "\n";
  head_ = code.head;
  QStringList shown;
  for (const std::string& line : code.shown) shown << FromCp(line);
  setPlainText(shown.join('\n'));
  QTextBlock block = document()->firstBlock();
  for (std::size_t i = 0; i < code.hidden_after.size() && block.isValid(); ++i, block = block.next()) {
    if (!code.hidden_after[i].empty()) block.setUserData(new HiddenLines(code.hidden_after[i]));
  }
}

std::string CodeEditor::FileText() const {
  CodeLines code{head_, {}, {}};
  for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
    code.shown.push_back(ToCp(block.text()));
    auto* hidden = static_cast<HiddenLines*>(block.userData());
    code.hidden_after.push_back(hidden ? hidden->lines : std::string());
  }
  return JoinCode(code, eol_);
}

bool CodeEditor::Shows(const std::string& file) const {
  return JoinCode(SplitCode(file), eol_) == FileText();
}

}  // namespace vbgui
