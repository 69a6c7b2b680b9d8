#include "report/chinese_face.h"

#include <QFontMetrics>
#include <QString>
#include <QStringList>

namespace torva::report {

bool DrawsChinese(const QFont& font) {
  // QFontMetrics answers for the font as drawn, Qt's fallback faces included; a face that lacks a
  // glyph would draw a box for it.
  const QFontMetrics metrics(font);
  for (const char32_t c : QString::fromUtf8("审计信息").toUcs4()) {
    if (!metrics.inFontUcs4(c)) return false;
  }
  return true;
}

std::string MissingChineseFaceText(const QFont& font) {
  return "no installed font has Chinese glyphs; wanted one of: " +
         font.families().join(QStringLiteral(", ")).toStdString() +
         " (Debian packages fonts-arphic-uming, fonts-noto-cjk, fonts-wqy-zenhei)";
}

}  // namespace torva::report
