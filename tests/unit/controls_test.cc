// The control model's event semantics: what fires, when, and in which order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form/controls.h"
#include "form/form_model.h"

namespace torva::form {
namespace {

ControlSpec EditSpec(const std::string& name, const std::string& text = "") {
  ControlSpec spec;
  spec.name = name;
  spec.type = ControlType::kEdit;
  spec.default_text = text;
  return spec;
}

TEST(EditTest, ChangeFiresOnlyForADifferentText) {
  const ControlSpec spec = EditSpec("T_1", "5");
  Edit edit(spec);
  int changes = 0;
  edit.on_change = [&] { ++changes; };
  edit.SetText("5");
  EXPECT_EQ(changes, 0);
  edit.SetText("6");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(edit.text(), "6");
  edit.SetText("");
  EXPECT_EQ(changes, 2);
}

TEST(EditTest, WritesNestSynchronouslyInsideTheHandler) {
  const ControlSpec a_spec = EditSpec("A"), b_spec = EditSpec("B");
  Edit a(a_spec), b(b_spec);
  std::vector<std::string> log;
  a.on_change = [&] {
    log.push_back("a begins");
    b.SetText(a.text() + "!");
    log.push_back("a ends");
  };
  b.on_change = [&] { log.push_back("b sees " + b.text()); };
  a.SetText("x");
  EXPECT_EQ(log, (std::vector<std::string>{"a begins", "b sees x!", "a ends"}));
}

TEST(EditTest, ObserversSeeTheNewTextBeforeTheHandlerRuns) {
  const ControlSpec spec = EditSpec("A");
  Edit edit(spec);
  std::vector<std::string> log;
  edit.AddObserver([&] { log.push_back("view " + edit.text()); });
  edit.on_change = [&] { log.push_back("handler"); };
  edit.SetText("1");
  EXPECT_EQ(log, (std::vector<std::string>{"view 1", "handler"}));
}

TEST(EditTest, AnExceptionFromTheHandlerKeepsTheNewText) {
  const ControlSpec spec = EditSpec("A");
  Edit edit(spec);
  edit.on_change = [] { throw std::runtime_error("boom"); };
  EXPECT_THROW(edit.SetText("7"), std::runtime_error);
  EXPECT_EQ(edit.text(), "7");
}

TEST(CheckBoxTest, ClickFiresOnEveryChangeOfStateWhoeverChangesIt) {
  ControlSpec spec;
  spec.name = "RzCB_YG";
  spec.type = ControlType::kCheckBox;
  spec.checked = true;
  CheckBox box(spec);
  int clicks = 0;
  box.on_click = [&] { ++clicks; };
  box.SetChecked(true);
  EXPECT_EQ(clicks, 0);
  box.SetChecked(false);
  box.Click();
  EXPECT_EQ(clicks, 2);
  EXPECT_TRUE(box.checked());
}

TEST(CheckBoxTest, AHandlerThatResetsTheBoxFiresAgain) {
  ControlSpec spec;
  spec.type = ControlType::kCheckBox;
  CheckBox box(spec);
  std::vector<bool> seen;
  box.on_click = [&] {
    seen.push_back(box.checked());
    if (box.checked()) box.SetChecked(false);
  };
  box.Click();
  EXPECT_EQ(seen, (std::vector<bool>{true, false}));
  EXPECT_FALSE(box.checked());
}

ControlSpec ListSpec() {
  ControlSpec spec;
  spec.name = "RzCB_1";
  spec.type = ControlType::kListCombo;
  spec.items = {"通信管道", "长途线路", "市话线路"};
  spec.item_index = 0;
  return spec;
}

TEST(ListComboTest, ProgramSelectionFiresNothingAndAUserPickFiresSelect) {
  const ControlSpec spec = ListSpec();
  ListCombo list(spec);
  int selects = 0;
  list.on_select = [&] { ++selects; };
  EXPECT_EQ(list.SelectedText(), "通信管道");
  list.SetItemIndex(2);
  EXPECT_EQ(selects, 0);
  EXPECT_EQ(list.SelectedText(), "市话线路");
  list.UserSelect(1);
  EXPECT_EQ(selects, 1);
  EXPECT_EQ(list.SelectedText(), "长途线路");
}

TEST(ListComboTest, AnIndexOutsideTheListSelectsNothing) {
  const ControlSpec spec = ListSpec();
  ListCombo list(spec);
  list.SetItemIndex(7);
  EXPECT_EQ(list.item_index(), -1);
  EXPECT_EQ(list.SelectedText(), "");
}

ControlSpec CoefficientSpec() {
  ControlSpec spec;
  spec.name = "T_44";
  spec.type = ControlType::kComboEdit;
  spec.items = {"65", "45"};
  return spec;
}

TEST(ComboEditTest, KeepsItsItemsSortedAsText) {
  const ControlSpec spec = CoefficientSpec();
  ComboEdit combo(spec);
  EXPECT_EQ(combo.items(), (std::vector<std::string>{"45", "65"}));
  combo.AddItem("100");
  combo.AddItem("50");
  EXPECT_EQ(combo.items(), (std::vector<std::string>{"100", "45", "50", "65"}));
  combo.SetItems({"b", "a", ""});
  EXPECT_EQ(combo.items(), (std::vector<std::string>{"", "a", "b"}));
}

TEST(ComboEditTest, RemovesOnlyAnExistingItem) {
  const ControlSpec spec = CoefficientSpec();
  ComboEdit combo(spec);
  EXPECT_FALSE(combo.RemoveItem("70"));
  EXPECT_TRUE(combo.RemoveItem("45"));
  EXPECT_EQ(combo.items(), (std::vector<std::string>{"65"}));
}

TEST(ComboEditTest, APickIsAChangeOfTheTypedText) {
  const ControlSpec spec = CoefficientSpec();
  ComboEdit combo(spec);
  int changes = 0;
  combo.on_change = [&] { ++changes; };
  combo.UserPick(1);
  EXPECT_EQ(combo.text(), "65");
  EXPECT_EQ(changes, 1);
  combo.UserPick(1);
  EXPECT_EQ(changes, 1);
}

TEST(FormModelTest, BuildsEveryControlOfTheCatalogueInItsLayoutState) {
  FormModel model;
  EXPECT_EQ(model.controls().size(), Catalogue().size());
  EXPECT_EQ(model.edit("T_47").text(), "审计报告");
  EXPECT_TRUE(model.check_box("RzCB_Auto").checked());
  EXPECT_TRUE(model.check_box("RzCB_YG").checked());
  EXPECT_FALSE(model.check_box("RzCB_YJ").checked());
  EXPECT_EQ(model.survey_type().SelectedText(), "通信管道");
  EXPECT_EQ(model.coefficient().items(), (std::vector<std::string>{"45", "65"}));
  EXPECT_EQ(model.page_control().active_page(), "TS_FM");
  EXPECT_EQ(model.button("RzButton1").tag, 0);
}

TEST(FormModelTest, FindsTheCoefficientComboAsAnEditAndRejectsUnknownNames) {
  FormModel model;
  EXPECT_EQ(model.FindEdit("T_44"), &model.coefficient());
  EXPECT_EQ(model.FindEdit("T_60"), nullptr);
  EXPECT_EQ(model.FindCheckBox("T_1"), nullptr);
  EXPECT_THROW(model.edit("Nope"), std::exception);
}

}  // namespace
}  // namespace torva::form
