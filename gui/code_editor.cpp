#include "gui/code_editor.hpp"

#include <QFontDatabase>
#include <QSet>
#include <QTextBlock>
#include <algorithm>
#include <cctype>
#include <utility>

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

// A procedure by its kind and name ("property get item"), whatever modifiers or arguments it has.
std::string ProcedureKey(std::string_view line) {
  std::string key;
  for (std::string_view word : Words(line, 6)) {
    if (key.empty() && (SameWord(word, "Public") || SameWord(word, "Private") || SameWord(word, "Friend") ||
                        SameWord(word, "Static")))
      continue;
    const bool kind = key.empty() || SameWord(key, "property");
    word = word.substr(0, word.find('('));
    key += (key.empty() ? "" : " ") + std::string(word);
    if (!kind) break;
  }
  for (char& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return key;
}

// Follows the shown lines one by one to where a procedure's first line ends (" _" may continue it
// onto the lines after), which is where its attributes go.
class ProcedureLines {
 public:
  // The procedure whose first line this line ends; "" when it ends none.
  std::string Ends(std::string_view line) {
    if (key_.empty() && StartsProcedure(line)) key_ = ProcedureKey(line);
    if (key_.empty() || Continues(line)) return {};
    return std::exchange(key_, std::string());
  }

 private:
  std::string key_;
};

}  // namespace

CodeLines SplitCode(std::string_view file) {
  const std::vector<Line> lines = SplitLines(file);
  CodeLines code;
  const std::size_t header = HeaderLines(lines);
  bool module_attributes = true;  // the module's Attribute lines, which come first
  bool after_procedure = false;   // a procedure's, right after its first line
  ProcedureLines procedures;
  bool last_ended = true;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const Line& line = lines[i];
    bool hidden = i < header;
    if (!hidden && (module_attributes || after_procedure) && FirstWordIs(line.text, "Attribute")) {
      hidden = true;
    } else if (!hidden) {
      module_attributes = false;
      after_procedure = !procedures.Ends(line.text).empty();
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

std::vector<ProcedureAttributes> AttributesByProcedure(const CodeLines& code) {
  std::vector<ProcedureAttributes> attributes;
  ProcedureLines procedures;
  for (std::size_t i = 0; i < code.shown.size(); ++i) {
    std::string procedure = procedures.Ends(code.shown[i]);
    if (!code.hidden_after[i].empty()) attributes.push_back({std::move(procedure), code.hidden_after[i]});
  }
  return attributes;
}

void PlaceAttributes(CodeLines& code, std::vector<ProcedureAttributes> attributes) {
  code.hidden_after.assign(code.shown.size(), std::string());
  ProcedureLines procedures;
  for (std::size_t i = 0; i < code.shown.size(); ++i) {
    const std::string procedure = procedures.Ends(code.shown[i]);
    if (procedure.empty()) continue;
    auto it = std::find_if(attributes.begin(), attributes.end(),
                           [&](const ProcedureAttributes& a) { return a.procedure == procedure; });
    if (it == attributes.end()) continue;
    code.hidden_after[i] = std::move(it->lines);
    attributes.erase(it);
  }
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

CodeEditor::CodeEditor(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  setLineWrapMode(QPlainTextEdit::NoWrap);
  new VbHighlighter(document());
}

void CodeEditor::SetFileText(const std::string& file, bool crlf) {
  CodeLines code = SplitCode(file);
  eol_ = crlf ? "\r\n" : "\n";
  head_ = code.head;
  attributes_ = AttributesByProcedure(code);
  QStringList shown;
  for (const std::string& line : code.shown) shown << FromCp(line);
  setPlainText(shown.join('\n'));
}

std::string CodeEditor::FileText() const {
  CodeLines code{head_, {}, {}};
  for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
    code.shown.push_back(ToCp(block.text()));
  PlaceAttributes(code, attributes_);
  return JoinCode(code, eol_);
}

bool CodeEditor::Shows(const std::string& file) const {
  return JoinCode(SplitCode(file), eol_) == FileText();
}

}  // namespace vbgui
