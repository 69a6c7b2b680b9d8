#include "form/controls.h"

#include <algorithm>

namespace torva::form {

void Edit::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Notify();
  if (on_change) on_change();
}

ComboEdit::ComboEdit(const ControlSpec& spec) : Edit(spec) { SetItems(spec.items); }

void ComboEdit::SetItems(std::vector<std::string> items) {
  items_ = std::move(items);
  std::stable_sort(items_.begin(), items_.end());
  ++items_revision_;
  Notify();
}

void ComboEdit::AddItem(const std::string& item) {
  items_.insert(std::upper_bound(items_.begin(), items_.end(), item), item);
  ++items_revision_;
  Notify();
}

bool ComboEdit::RemoveItem(const std::string& item) {
  const auto it = std::find(items_.begin(), items_.end(), item);
  if (it == items_.end()) return false;
  items_.erase(it);
  ++items_revision_;
  Notify();
  return true;
}

int ComboEdit::IndexOf(const std::string& item) const {
  const auto it = std::find(items_.begin(), items_.end(), item);
  return it == items_.end() ? -1 : static_cast<int>(it - items_.begin());
}

void ComboEdit::UserPick(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) return;
  SetText(items_[index]);
}

ListCombo::ListCombo(const ControlSpec& spec) : Control(spec), items_(spec.items) {
  SetItemIndex(spec.item_index);
}

std::string ListCombo::SelectedText() const {
  return item_index_ >= 0 ? items_[item_index_] : std::string();
}

void ListCombo::SetItemIndex(int index) {
  item_index_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : -1;
  Notify();
}

void ListCombo::UserSelect(int index) {
  SetItemIndex(index);
  if (on_select) on_select();
}

void CheckBox::SetChecked(bool checked) {
  if (checked == checked_) return;
  checked_ = checked;
  Notify();
  if (on_click) on_click();
}

void PageControl::SetActiveIndex(int index) {
  if (index < 0 || index >= static_cast<int>(pages_.size()) || index == active_) return;
  active_ = index;
  Notify();
}

}  // namespace torva::form
