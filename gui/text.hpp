// Between the add-in's code-page text and Qt's strings.
#pragma once

#include <QString>
#include <string>

namespace vbgui {

QString FromCp(const std::string& text);
std::string ToCp(const QString& text);
// VB's message and label text: CR LF and lone CRs are line breaks.
QString Lines(const std::string& text);
// A label's caption: "&&" is one "&", a single "&" marks the access key, which labels don't show.
QString LabelText(const std::string& caption);

}  // namespace vbgui
