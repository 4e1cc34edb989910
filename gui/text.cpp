#include "gui/text.hpp"

#include "vbrt/code_page.hpp"

namespace vbgui {

QString FromCp(const std::string& text) { return QString::fromStdString(vb::ActiveCodePage().ToUtf8(text)); }

std::string ToCp(const QString& text) { return vb::ActiveCodePage().FromUtf8Lossy(text.toStdString()); }

QString Lines(const std::string& text) {
  QString s = FromCp(text);
  s.replace("\r\n", "\n");
  s.replace('\r', '\n');
  return s;
}

QString LabelText(const std::string& caption) {
  QString in = FromCp(caption);
  QString out;
  for (qsizetype i = 0; i < in.size(); ++i) {
    if (in[i] == '&' && i + 1 < in.size()) ++i;
    out += in[i];
  }
  return out;
}

}  // namespace vbgui
