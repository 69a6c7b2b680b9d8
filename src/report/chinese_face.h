// Whether Chinese can be drawn at all. Every text of the form and of the report is Chinese; on a
// machine without a face that covers it, Qt draws each character as an empty box and says nothing.
#pragma once

#include <QFont>

#include <string>

namespace torva::report {

// Whether `font` draws "审计信息" from glyphs of an installed face: one of its own families or a face
// Qt falls back on for Chinese. Needs a QGuiApplication.
bool DrawsChinese(const QFont& font);

// Names what is missing when DrawsChinese(font) is false: the families `font` asks for, and the
// Debian packages that provide them.
std::string MissingChineseFaceText(const QFont& font);

}  // namespace torva::report
