// The form's controls, built from the catalogue, found by name.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"

namespace torva::form {

// Which controls hold a value that the form stands by, so that a save can write those and leave
// every other stored value alone: a load that ended early then never replaces the stored values it
// did not reach by the layout's values.
//
// A control's value is known once a restore settled it (restored it, or found nothing stored and
// keeps the layout's value on purpose), and whenever it changes outside a restore: typed by the
// auditor, or written by a handler that the auditor set off. While a restore runs, the changes it
// makes and whatever the handlers they set off write count for nothing by themselves. The item list
// of the coefficient combo (T_44) is known apart from its typed text.
class KnownValues {
 public:
  // Marks a restore for the lifetime of the object, also when the restore ends by an error.
  class Restore {
   public:
    explicit Restore(KnownValues& known) : known_(known) { ++known_.restoring_; }
    ~Restore() { --known_.restoring_; }
    Restore(const Restore&) = delete;
    Restore& operator=(const Restore&) = delete;

   private:
    KnownValues& known_;
  };

  bool restoring() const { return restoring_ > 0; }

  // The value (text, check state or selection) of control `name`.
  bool Known(std::string_view name) const { return all_known_ || known_.contains(name); }
  // The item list of the coefficient combo.
  bool ItemsKnown() const { return items_known_; }

  void Settle(std::string_view name) { known_.emplace(name); }
  void SettleAll() { all_known_ = true; }
  void SettleItems() { items_known_ = true; }
  // Forgets every control's value (not the item list), as a restore of the values begins.
  void ForgetValues() {
    all_known_ = false;
    known_.clear();
  }
  void ForgetItems() { items_known_ = false; }

 private:
  friend class FormModel;
  // A change seen by the model's observers.
  void Changed(std::string_view name) {
    if (!restoring()) Settle(name);
  }
  void ItemsChanged() {
    if (!restoring()) items_known_ = true;
  }

  int restoring_ = 0;
  bool all_known_ = false;
  bool items_known_ = false;
  std::set<std::string, std::less<>> known_;
};

class FormModel {
 public:
  // Builds every control of the catalogue in its layout state.
  FormModel();
  FormModel(const FormModel&) = delete;
  FormModel& operator=(const FormModel&) = delete;

  // Lookups by name; null when no control of that name and type exists. Edit lookups find the
  // coefficient combo too (its typed text is an edit's text).
  Control* Find(std::string_view name) const;
  Edit* FindEdit(std::string_view name) const;
  CheckBox* FindCheckBox(std::string_view name) const;
  Button* FindButton(std::string_view name) const;
  ListCombo* FindListCombo(std::string_view name) const;
  ComboEdit* FindComboEdit(std::string_view name) const;

  // Lookups that throw torva::Error when the control does not exist (a programming error).
  Edit& edit(std::string_view name) const;
  CheckBox& check_box(std::string_view name) const;
  Button& button(std::string_view name) const;
  ListCombo& survey_type() const { return *survey_type_; }      // RzCB_1
  ComboEdit& coefficient() const { return *coefficient_; }      // T_44
  PageControl& page_control() const { return *page_control_; }  // PC_Main

  // Every control in catalogue order (labels and bevels included, as plain Controls).
  const std::vector<Control*>& controls() const { return order_; }

  // Which values the form stands by; every edit, check box, list and the coefficient list report
  // their changes to it.
  KnownValues& known() { return known_; }
  const KnownValues& known() const { return known_; }

 private:
  void WatchChanges();

  KnownValues known_;
  std::map<std::string, std::unique_ptr<Control>, std::less<>> by_name_;
  std::vector<Control*> order_;
  ListCombo* survey_type_ = nullptr;
  ComboEdit* coefficient_ = nullptr;
  PageControl* page_control_ = nullptr;
};

}  // namespace torva::form
