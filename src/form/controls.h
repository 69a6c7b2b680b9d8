// The control model: the form's edit boxes, combo boxes, check boxes, buttons and page control as
// plain objects. The model is the truth; the window is a view of it.
//
// Event semantics:
// - An edit's text is its value. SetText with a different text stores it and runs the change
//   handler at once, nested, on the calling thread; the same text runs nothing. A write by a handler
//   and a keystroke look the same to the handler.
// - A check box runs its click handler on every change of state, whoever changes it.
// - A list combo (RzCB_1) changed by the program (SetItemIndex) runs nothing; a pick by the user
//   (UserSelect) runs its select handler.
// - The coefficient combo (T_44) has a typed text that behaves like an edit, and a list kept sorted.
// Handlers may throw; exceptions pass through the model untouched to the boundary of the user action.
// Views observe a control through its observers, which run after every visible change and must not
// change the model.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "form/catalogue.h"

namespace torva::form {

using Handler = std::function<void()>;
using KeyHandler = std::function<void(int key)>;
using Observer = std::function<void()>;

inline constexpr int kKeyEnter = 13;

class Control {
 public:
  explicit Control(const ControlSpec& spec) : spec_(spec) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const ControlSpec& spec() const { return spec_; }
  const std::string& name() const { return spec_.name; }

  // Views register here; every observer runs after each change the view must show.
  void AddObserver(Observer observer) { observers_.push_back(std::move(observer)); }

  // Events any control may carry (set by the form's wiring; empty means no handler).
  KeyHandler on_key_down;
  Handler on_dbl_click;

  // The user presses a key in the control / double-clicks it.
  void KeyDown(int key) {
    if (on_key_down) on_key_down(key);
  }
  void DblClick() {
    if (on_dbl_click) on_dbl_click();
  }

 protected:
  void Notify() const {
    for (const auto& o : observers_) o();
  }

 private:
  const ControlSpec& spec_;
  std::vector<Observer> observers_;
};

// An edit box: its text is its value.
class Edit : public Control {
 public:
  explicit Edit(const ControlSpec& spec) : Control(spec), text_(spec.default_text) {}

  const std::string& text() const { return text_; }
  // Stores `text` and runs the change handler when it differs from the current text.
  void SetText(const std::string& text);

  Handler on_change;

 private:
  std::string text_;
};

// The coefficient combo: a typed text that behaves like an edit, and a list of items sorted as text.
class ComboEdit : public Edit {
 public:
  explicit ComboEdit(const ControlSpec& spec);

  const std::vector<std::string>& items() const { return items_; }
  // Grows with every change of the list, so that a view can tell a changed list from a changed
  // typed text without comparing the whole list.
  std::uint64_t items_revision() const { return items_revision_; }
  // Replaces the items; the list sorts them (as text, byte order).
  void SetItems(std::vector<std::string> items);
  // Adds an item at its sorted place (duplicates allowed, as a sorted list does).
  void AddItem(const std::string& item);
  // Removes the first item equal to `item`; returns whether one was removed.
  bool RemoveItem(const std::string& item);
  int IndexOf(const std::string& item) const;

  // The user picks item `index` from the list: the typed text becomes the item (a change).
  void UserPick(int index);

 private:
  std::vector<std::string> items_;
  std::uint64_t items_revision_ = 0;
};

// A drop-down list without typed text (RzCB_1).
class ListCombo : public Control {
 public:
  explicit ListCombo(const ControlSpec& spec);

  const std::vector<std::string>& items() const { return items_; }
  int item_index() const { return item_index_; }
  // The selected item's text, or "" when nothing is selected.
  std::string SelectedText() const;
  // Program-set selection (-1 for none): runs nothing.
  void SetItemIndex(int index);
  // The user picks item `index`: selection, then the select handler.
  void UserSelect(int index);

  Handler on_select;

 private:
  std::vector<std::string> items_;
  int item_index_ = -1;
};

class CheckBox : public Control {
 public:
  explicit CheckBox(const ControlSpec& spec) : Control(spec), checked_(spec.checked) {}

  bool checked() const { return checked_; }
  // Changes the state; runs the click handler when the state changes.
  void SetChecked(bool checked);
  // The user clicks: the state toggles.
  void Click() { SetChecked(!checked_); }

  Handler on_click;

 private:
  bool checked_;
};

class Button : public Control {
 public:
  explicit Button(const ControlSpec& spec) : Control(spec) {}

  // The loaded flag lives in the Tag of RzButton1.
  int tag = 0;

  void Click() {
    if (on_click) on_click();
  }

  Handler on_click;
};

// The page control: which page is active.
class PageControl : public Control {
 public:
  PageControl(const ControlSpec& spec, std::vector<std::string> pages)
      : Control(spec), pages_(std::move(pages)) {}

  int active_index() const { return active_; }
  const std::string& active_page() const { return pages_.at(active_); }
  void SetActiveIndex(int index);

 private:
  std::vector<std::string> pages_;
  int active_ = 0;
};

}  // namespace torva::form
