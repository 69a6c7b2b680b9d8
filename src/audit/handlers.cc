#include "audit/handlers.h"

#include <stdexcept>
#include <string>

namespace torva::audit {

std::span<const HandlerEntry> TfrmMain::Handlers() {
  static const HandlerEntry kHandlers[] = {
      // the window
      {"RzButton1Click", &TfrmMain::RzButton1Click},
      {"RzButton2Click", &TfrmMain::RzButton2Click},
      {"RzCB_AutoClick", &TfrmMain::RzCB_AutoClick},
      // report cover
      {"T_50Change", &TfrmMain::T_50Change},
      {"T_51Change", &TfrmMain::T_51Change},
      {"T_52Change", &TfrmMain::T_52Change},
      {"T_54Change", &TfrmMain::T_54Change},
      {"T_55Change", &TfrmMain::T_55Change},
      {"T_56Change", &TfrmMain::T_56Change},
      // construction-fee page: submitted, first-review and auditor columns
      {"D_2Change", &TfrmMain::D_2Change},
      {"D_3Change", &TfrmMain::D_3Change},
      {"D_4Change", &TfrmMain::D_4Change},
      {"D_5Change", &TfrmMain::D_5Change},
      {"D_6Change", &TfrmMain::D_6Change},
      {"D_11Change", &TfrmMain::D_11Change},
      {"D_12Change", &TfrmMain::D_12Change},
      {"T_1Change", &TfrmMain::T_1Change},
      {"T_2Change", &TfrmMain::T_2Change},
      {"T_3Change", &TfrmMain::T_3Change},
      {"T_4Change", &TfrmMain::T_4Change},
      {"T_9Change", &TfrmMain::T_9Change},
      {"T_10Change", &TfrmMain::T_10Change},
      {"T_11Change", &TfrmMain::T_11Change},
      {"T_12Change", &TfrmMain::T_12Change},
      {"T_13Change", &TfrmMain::T_13Change},
      {"T_14Change", &TfrmMain::T_14Change},
      // design-fee page: the columns
      {"T_18Change", &TfrmMain::T_18Change},
      {"T_20Change", &TfrmMain::T_20Change},
      {"T_22Change", &TfrmMain::T_22Change},
      {"T_24Change", &TfrmMain::T_24Change},
      {"T_26Change", &TfrmMain::T_26Change},
      {"T_28Change", &TfrmMain::T_28Change},
      {"T_30Change", &TfrmMain::T_30Change},
      {"T_32Change", &TfrmMain::T_32Change},
      {"T_33Change", &TfrmMain::T_33Change},
      {"T_34Change", &TfrmMain::T_34Change},
      {"T_19KeyDown", &TfrmMain::T_19KeyDown},
      {"T_25KeyDown", &TfrmMain::T_25KeyDown},
      {"T_31KeyDown", &TfrmMain::T_31KeyDown},
      // design-fee page: below the columns
      {"T_44Change", &TfrmMain::T_44Change},
      {"T_44KeyDown", &TfrmMain::T_44KeyDown},
      {"T_44DblClick", &TfrmMain::T_44DblClick},
      {"T_JZAZChange", &TfrmMain::T_JZAZChange},
      {"T_SJFKeyDown", &TfrmMain::T_SJFKeyDown},
      {"T_KCFKeyDown", &TfrmMain::T_KCFKeyDown},
      {"RzCB_1Select", &TfrmMain::RzCB_1Select},
      {"RzCB_KCClick", &TfrmMain::RzCB_KCClick},
      {"RzCB_YGClick", &TfrmMain::RzCB_YGClick},
      {"RzCB_YJClick", &TfrmMain::RzCB_YJClick},
      // preliminary-review page
      {"T_36Change", &TfrmMain::T_36Change},
      {"T_37Change", &TfrmMain::T_37Change},
      {"T_38Change", &TfrmMain::T_38Change},
      {"T_39Change", &TfrmMain::T_39Change},
      {"T_58Change", &TfrmMain::T_58Change},
      {"TC_3Change", &TfrmMain::TC_3Change},
      {"TC_4Change", &TfrmMain::TC_4Change},
      {"Date_1Change", &TfrmMain::Date_1Change},
      {"Date_2Change", &TfrmMain::Date_2Change},
      {"Date_3Change", &TfrmMain::Date_3Change},
      {"T_59Change", &TfrmMain::T_59Change},
  };
  return kHandlers;
}

namespace {

const HandlerEntry& Find(const form::Control& control, std::string_view name) {
  for (const HandlerEntry& entry : TfrmMain::Handlers()) {
    if (entry.name == name) return entry;
  }
  throw std::logic_error(control.name() + " names no handler of the form: " + std::string(name));
}

// The event handler `name`, bound to `form`; empty for an empty name.
form::Handler Event(TfrmMain& form, const form::Control& control, const std::string& name) {
  if (name.empty()) return nullptr;
  const auto* method = std::get_if<EventHandler>(&Find(control, name).method);
  if (method == nullptr) {
    throw std::logic_error(control.name() + " names a key-down handler for another event: " + name);
  }
  return [&form, m = *method] { (form.*m)(); };
}

}  // namespace

void WireHandlers(TfrmMain& form, form::Control& control) {
  const form::ControlSpec& spec = control.spec();
  if (!spec.on_key_down.empty()) {
    const auto* method = std::get_if<KeyDownHandler>(&Find(control, spec.on_key_down).method);
    if (method == nullptr) {
      throw std::logic_error(control.name() + " names another handler for its key-down event: " +
                             spec.on_key_down);
    }
    control.on_key_down = [&form, m = *method](int key) { (form.*m)(key); };
  }
  control.on_dbl_click = Event(form, control, spec.on_dbl_click);
  form::Handler on_change = Event(form, control, spec.on_change);
  form::Handler on_click = Event(form, control, spec.on_click);
  form::Handler on_select = Event(form, control, spec.on_select);
  // An event the control cannot raise would leave its handler dead as surely as a misspelt name.
  const auto unused = [&control](const form::Handler& handler, std::string_view event) {
    if (handler) throw std::logic_error(control.name() + " cannot raise " + std::string(event));
  };
  if (auto* edit = dynamic_cast<form::Edit*>(&control)) {
    edit->on_change = std::move(on_change);
  } else {
    unused(on_change, "a change event");
  }
  if (auto* box = dynamic_cast<form::CheckBox*>(&control)) {
    box->on_click = std::move(on_click);
  } else if (auto* button = dynamic_cast<form::Button*>(&control)) {
    button->on_click = std::move(on_click);
  } else {
    unused(on_click, "a click event");
  }
  if (auto* list = dynamic_cast<form::ListCombo*>(&control)) {
    list->on_select = std::move(on_select);
  } else {
    unused(on_select, "a select event");
  }
}

}  // namespace torva::audit
