// Qt's own texts in Chinese while the form is open: the buttons of its message boxes (是, 否, 确定)
// and the menus of its edit boxes read like the rest of the form.
#pragma once

#include <QTranslator>

namespace torva::gui {

class QtChineseTexts {
 public:
  // Installs Qt's own Simplified Chinese catalogue (qtbase) from Qt's translations folder into the
  // application, which must exist. Without the catalogue Qt's texts stay as they are.
  QtChineseTexts();
  // Takes the catalogue out again, so that a host's own windows keep their language afterwards.
  ~QtChineseTexts();
  QtChineseTexts(const QtChineseTexts&) = delete;
  QtChineseTexts& operator=(const QtChineseTexts&) = delete;

  bool installed() const { return installed_; }

 private:
  QTranslator translator_;
  bool installed_ = false;
};

}  // namespace torva::gui
