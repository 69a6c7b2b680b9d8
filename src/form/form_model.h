// The form's controls, built from the catalogue, found by name.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"

namespace torva::form {

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
  ListCombo& survey_type() const { return *survey_type_; }   // RzCB_1
  ComboEdit& coefficient() const { return *coefficient_; }   // T_44
  PageControl& page_control() const { return *page_control_; }  // PC_Main

  // Every control in catalogue order (labels and bevels included, as plain Controls).
  const std::vector<Control*>& controls() const { return order_; }

 private:
  std::map<std::string, std::unique_ptr<Control>, std::less<>> by_name_;
  std::vector<Control*> order_;
  ListCombo* survey_type_ = nullptr;
  ComboEdit* coefficient_ = nullptr;
  PageControl* page_control_ = nullptr;
};

}  // namespace torva::form
