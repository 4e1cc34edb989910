// The code window: a component's source as VB's code window shows it. The lines VB keeps out of
// sight (a form's or class's VERSION/Begin header, the module's Attribute lines at the top and a
// procedure's right after its first line) are hidden and written back byte for byte; keywords,
// comments and strings are coloured.
#pragma once

#include <QPlainTextEdit>
#include <QSyntaxHighlighter>
#include <string>
#include <string_view>
#include <vector>

namespace vbgui {

// A source file split into the lines shown and the hidden ones, in the code page's bytes.
struct CodeLines {
  std::string head;                // hidden lines before the first shown one, ends kept
  std::vector<std::string> shown;  // without their line ends; an empty last one when the file ends with one
  std::vector<std::string> hidden_after;  // per shown line: the hidden lines after its end, ends kept
};
CodeLines SplitCode(std::string_view file);
// The file again: each shown line but the last followed by `eol`, and each by its hidden lines.
std::string JoinCode(const CodeLines& code, std::string_view eol);

// A procedure's hidden lines, by the procedure they follow ("property get item"). The editor
// keeps them so, not by line: they follow their procedure wherever it is typed, moved or pasted,
// and go when it is deleted or renamed, as VB's attributes do.
struct ProcedureAttributes {
  std::string procedure;
  std::string lines;
};
std::vector<ProcedureAttributes> AttributesByProcedure(const CodeLines& code);
// Sets `hidden_after` from the shown lines: each procedure's after its first line.
void PlaceAttributes(CodeLines& code, std::vector<ProcedureAttributes> attributes);

enum class CodeColour { kKeyword, kComment, kString };
struct CodeSpan {
  int start;
  int length;
  CodeColour colour;
};
// The coloured parts of one line; `continued` when the line before was a comment ending in " _",
// which VB continues onto this one. Sets `continues` when this line's comment goes on likewise.
std::vector<CodeSpan> ColourLine(const QString& line, bool continued, bool* continues);

class VbHighlighter : public QSyntaxHighlighter {
 public:
  explicit VbHighlighter(QTextDocument* document);
  static QColor Colour(CodeColour colour);

 protected:
  void highlightBlock(const QString& text) override;
};

class CodeEditor : public QPlainTextEdit {
 public:
  explicit CodeEditor(QWidget* parent);
  // Shows a file's text (code-page bytes); shown lines are written back ended by CR LF or LF.
  void SetFileText(const std::string& file, bool crlf);
  // The file as the editor holds it: the shown lines as edited, the hidden ones as they were.
  std::string FileText() const;
  // Whether the editor shows this file (as it would after SetFileText with its own line ends).
  bool Shows(const std::string& file) const;

 private:
  std::string head_;
  std::vector<ProcedureAttributes> attributes_;
  std::string eol_ = "\r\n";
};

}  // namespace vbgui
