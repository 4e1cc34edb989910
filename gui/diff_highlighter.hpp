// The colours of the compare's diff in the engine pane, laid over its plain text as it is drawn:
// added lines green, removed red, hunk heads blue, the files' names grey.
#pragma once

#include <QColor>
#include <QSyntaxHighlighter>

namespace vbgui {

// The colour of one line of a unified diff.
QColor DiffColour(const QString& line);

class DiffHighlighter : public QSyntaxHighlighter {
 public:
  explicit DiffHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {}

 protected:
  void highlightBlock(const QString& text) override;
};

}  // namespace vbgui
