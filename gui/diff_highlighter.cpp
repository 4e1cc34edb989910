#include "gui/diff_highlighter.hpp"

namespace vbgui {

QColor DiffColour(const QString& line) {
  // The files' lines first: they begin with the marks of an added or removed line too.
  if (line.startsWith("+++") || line.startsWith("---")) return QColor(0x55, 0x55, 0x55);
  if (line.startsWith('+')) return QColor(0x1a, 0x7f, 0x37);
  if (line.startsWith('-')) return QColor(0xb4, 0x23, 0x18);
  if (line.startsWith("@@")) return QColor(0x1f, 0x4f, 0xbf);
  return QColor(Qt::black);
}

void DiffHighlighter::highlightBlock(const QString& text) {
  const QColor colour = DiffColour(text);
  if (colour != QColor(Qt::black)) setFormat(0, static_cast<int>(text.size()), colour);
}

}  // namespace vbgui
