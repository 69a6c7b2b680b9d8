#include "form/form_model.h"

#include "text/error.h"

namespace torva::form {

namespace {

std::unique_ptr<Control> MakeControl(const ControlSpec& spec) {
  switch (spec.type) {
    case ControlType::kEdit:
      return std::make_unique<Edit>(spec);
    case ControlType::kComboEdit:
      return std::make_unique<ComboEdit>(spec);
    case ControlType::kListCombo:
      return std::make_unique<ListCombo>(spec);
    case ControlType::kCheckBox:
      return std::make_unique<CheckBox>(spec);
    case ControlType::kButton:
      return std::make_unique<Button>(spec);
    case ControlType::kPageControl:
      return std::make_unique<PageControl>(spec, PageNames());
    case ControlType::kPage:
    case ControlType::kLabel:
    case ControlType::kBevel:
      return std::make_unique<Control>(spec);
  }
  return std::make_unique<Control>(spec);
}

template <typename T>
T& Require(T* control, std::string_view kind, std::string_view name) {
  if (control == nullptr) {
    throw Error("no " + std::string(kind) + " named " + std::string(name) + " on the form");
  }
  return *control;
}

}  // namespace

FormModel::FormModel() {
  for (const ControlSpec& spec : Catalogue()) {
    auto control = MakeControl(spec);
    order_.push_back(control.get());
    by_name_.emplace(spec.name, std::move(control));
  }
  survey_type_ = FindListCombo("RzCB_1");
  coefficient_ = FindComboEdit("T_44");
  page_control_ = dynamic_cast<PageControl*>(Find("PC_Main"));
  if (survey_type_ == nullptr || coefficient_ == nullptr || page_control_ == nullptr) {
    throw Error("the form catalogue lacks RzCB_1, T_44 or PC_Main");
  }
  WatchChanges();
}

void FormModel::WatchChanges() {
  KnownValues* const known = &known_;
  for (Control* control : order_) {
    const std::string& name = control->name();
    if (auto* combo = dynamic_cast<ComboEdit*>(control)) {
      // The coefficient combo reports changes of its typed text and of its list alike.
      combo->AddObserver([known, combo, &name, last_text = combo->text(),
                          last_items = combo->items_revision()]() mutable {
        if (combo->items_revision() != last_items) {
          last_items = combo->items_revision();
          known->ItemsChanged();
        }
        if (combo->text() != last_text) {
          last_text = combo->text();
          known->Changed(name);
        }
      });
    } else if (auto* edit = dynamic_cast<Edit*>(control)) {
      edit->AddObserver([known, edit, &name, last = edit->text()]() mutable {
        if (edit->text() == last) return;
        last = edit->text();
        known->Changed(name);
      });
    } else if (auto* box = dynamic_cast<CheckBox*>(control)) {
      box->AddObserver([known, &name] { known->Changed(name); });
    } else if (auto* list = dynamic_cast<ListCombo*>(control)) {
      list->AddObserver([known, list, &name, last = list->item_index()]() mutable {
        if (list->item_index() == last) return;
        last = list->item_index();
        known->Changed(name);
      });
    }
  }
}

Control* FormModel::Find(std::string_view name) const {
  const auto it = by_name_.find(name);
  return it == by_name_.end() ? nullptr : it->second.get();
}

Edit* FormModel::FindEdit(std::string_view name) const { return dynamic_cast<Edit*>(Find(name)); }
CheckBox* FormModel::FindCheckBox(std::string_view name) const {
  return dynamic_cast<CheckBox*>(Find(name));
}
Button* FormModel::FindButton(std::string_view name) const {
  return dynamic_cast<Button*>(Find(name));
}
ListCombo* FormModel::FindListCombo(std::string_view name) const {
  return dynamic_cast<ListCombo*>(Find(name));
}
ComboEdit* FormModel::FindComboEdit(std::string_view name) const {
  return dynamic_cast<ComboEdit*>(Find(name));
}

Edit& FormModel::edit(std::string_view name) const { return Require(FindEdit(name), "edit", name); }
CheckBox& FormModel::check_box(std::string_view name) const {
  return Require(FindCheckBox(name), "check box", name);
}
Button& FormModel::button(std::string_view name) const {
  return Require(FindButton(name), "button", name);
}

}  // namespace torva::form
