#include "gui/qt_translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>

namespace torva::gui {

QtChineseTexts::QtChineseTexts() {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  if (translator_.load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_", folder)) {
    installed_ = QCoreApplication::installTranslator(&translator_);
  }
}

QtChineseTexts::~QtChineseTexts() {
  if (installed_) QCoreApplication::removeTranslator(&translator_);
}

}  // namespace torva::gui
