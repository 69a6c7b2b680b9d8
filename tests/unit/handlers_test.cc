// Every handler is a method of the form, listed once by the name the catalogue spells. A name the
// table lacks, or one that cannot serve the event it is named for, must stop the form from being
// built instead of leaving a control silently dead.
#include "audit/handlers.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "form/catalogue.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

using torva::testing::RecordingUi;

// The message of the std::logic_error that wiring `spec` into `form` throws, or "no error".
std::string WiringError(TfrmMain& form, const form::ControlSpec& spec) {
  std::unique_ptr<form::Control> control;
  switch (spec.type) {
    case form::ControlType::kEdit:
      control = std::make_unique<form::Edit>(spec);
      break;
    case form::ControlType::kCheckBox:
      control = std::make_unique<form::CheckBox>(spec);
      break;
    default:
      control = std::make_unique<form::Control>(spec);
  }
  try {
    WireHandlers(form, *control);
  } catch (const std::logic_error& e) {
    return e.what();
  }
  return "no error";
}

form::ControlSpec Spec(std::string name, form::ControlType type) {
  form::ControlSpec spec;
  spec.name = std::move(name);
  spec.type = type;
  return spec;
}

class HandlersTest : public ::testing::Test {
 protected:
  RecordingUi ui_;
  TfrmMain form_{FormContext{}, ui_};
};

TEST_F(HandlersTest, AnUnknownHandlerNameStopsTheWiring) {
  form::ControlSpec spec = Spec("T_60", form::ControlType::kEdit);
  spec.on_change = "T_60Change";
  EXPECT_EQ(WiringError(form_, spec), "T_60 names no handler of the form: T_60Change");
}

TEST_F(HandlersTest, AHandlerNamedForTheWrongKindOfEventStopsTheWiring) {
  form::ControlSpec change = Spec("T_31", form::ControlType::kEdit);
  change.on_change = "T_31KeyDown";
  EXPECT_NE(WiringError(form_, change), "no error");
  form::ControlSpec key = Spec("T_34", form::ControlType::kEdit);
  key.on_key_down = "T_34Change";
  EXPECT_NE(WiringError(form_, key), "no error");
}

TEST_F(HandlersTest, AHandlerForAnEventTheControlCannotRaiseStopsTheWiring) {
  form::ControlSpec label = Spec("Lbl_TS_T_X", form::ControlType::kLabel);
  label.on_click = "RzCB_YJClick";
  EXPECT_NE(WiringError(form_, label), "no error");
  form::ControlSpec box = Spec("RzCB_YJ", form::ControlType::kCheckBox);
  box.on_change = "T_30Change";
  EXPECT_NE(WiringError(form_, box), "no error");
}

TEST(HandlerTableTest, EachHandlerIsListedOnceAndNamedByAControl) {
  std::set<std::string> named;
  for (const form::ControlSpec& spec : form::Catalogue()) {
    for (const std::string* name : {&spec.on_change, &spec.on_key_down, &spec.on_dbl_click,
                                    &spec.on_click, &spec.on_select}) {
      if (!name->empty()) named.insert(*name);
    }
  }
  std::set<std::string> listed;
  for (const HandlerEntry& entry : TfrmMain::Handlers()) {
    EXPECT_TRUE(listed.insert(std::string(entry.name)).second) << "listed twice: " << entry.name;
    EXPECT_TRUE(named.contains(std::string(entry.name))) << "named by no control: " << entry.name;
  }
}

}  // namespace
}  // namespace torva::audit
