// AuditWindow: the Qt window "审计信息", a view of the headless form TfrmMain. Built from the control
// catalogue: every control at its geometry with its kind and look, bound to its model control.
//
// Lifetime: the window's first show runs the form's FormShow (queued, so that the window is on the
// screen when loading reports anything). The close button "关闭", the window's close box and the
// system menu all end in TfrmMain::RequestClose; once the form has ended the window hides itself and
// emits formEnded(). The form must outlive the window.
#pragma once

#include <QFont>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "audit/tfrm_main.h"
#include "form/catalogue.h"

namespace torva::gui {

class PageControlView;

// Dynamic property of the window, true once FormShow has run (whatever it showed or ended).
inline constexpr char kFormShownProperty[] = "formShown";

class AuditWindow : public QWidget {
  Q_OBJECT

 public:
  explicit AuditWindow(audit::TfrmMain& frm, QWidget* parent = nullptr);
  ~AuditWindow() override;

  // The widget showing control `name` (its objectName is the control name too), or null.
  QWidget* ControlWidget(std::string_view name) const;
  PageControlView* page_control() const { return page_control_; }

  // The form's close has completed: the window goes away and formEnded() is emitted.
  void OnFormEnded();

  // "宋体" at 12 pixels; where it is missing, an installed Song face, else any Chinese font.
  static QFont FormFont();

 signals:
  void formEnded();

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  QWidget* BuildControl(const form::ControlSpec& spec, QWidget* parent);
  QWidget* BuildEdit(const form::ControlSpec& spec, QWidget* parent);
  QWidget* BuildLabel(const form::ControlSpec& spec, QWidget* parent);
  void SetTabOrders();
  void CentreOnScreen();

  audit::TfrmMain& frm_;
  std::map<std::string, QWidget*, std::less<>> widgets_;
  PageControlView* page_control_ = nullptr;
  bool show_started_ = false;
  bool in_close_event_ = false;
  bool centred_in_frame_ = false;
};

}  // namespace torva::gui
