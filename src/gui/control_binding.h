// Binding between the form's model controls and their Qt widgets. The model is the truth:
// - every change the model makes to a control is shown by its widget (model observers);
// - a user edit of a widget (keystroke, paste, deletion, click, pick) becomes one model call, run
//   as one user action of the form, so that errors escaping the handlers are shown and the form
//   stays open. Programmatic widget updates never count as user edits.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include "audit/tfrm_main.h"
#include "form/controls.h"
#include "gui/page_control_view.h"

namespace torva::gui {

// A check box whose state only the model changes: a click asks the model, which decides.
class ModelCheckBox : public QCheckBox {
 public:
  using QCheckBox::QCheckBox;

 protected:
  void nextCheckState() override {}
};

void BindEdit(audit::TfrmMain& frm, form::Edit& edit, QLineEdit* widget);
// T_44: the typed text is an edit; the list follows the model's sorted items; a pick is UserPick.
void BindComboEdit(audit::TfrmMain& frm, form::ComboEdit& combo, QComboBox* widget);
// RzCB_1: a pick is UserSelect; selections set by the program show without firing anything.
void BindListCombo(audit::TfrmMain& frm, form::ListCombo& list, QComboBox* widget);
void BindCheckBox(audit::TfrmMain& frm, form::CheckBox& box, ModelCheckBox* widget);
void BindButton(audit::TfrmMain& frm, form::Button& button, QPushButton* widget);
void BindPageControl(audit::TfrmMain& frm, form::PageControl& pages, PageControlView* widget);

// Forwards Enter and keypad Enter (key 13) to control.KeyDown and double-clicks to
// control.DblClick, as user actions, when the control carries those handlers. `widget` is the
// control's own widget, the one that takes the focus (for T_44 the combo box, not its line edit).
void ForwardKeyAndDoubleClick(audit::TfrmMain& frm, form::Control& control, QWidget* widget);

// Gives a read-only edit `tint` as its background while it has the focus.
void TintWhileFocused(QLineEdit* widget, const QColor& tint);

}  // namespace torva::gui
