// The control catalogue is the one description of the form that the model and the window are both
// built from; these tests hold it to the form's layout.
#include "form/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace torva::form {
namespace {

std::vector<std::string> Family(const std::string& prefix, int first, int last) {
  std::vector<std::string> names;
  for (int i = first; i <= last; ++i) names.push_back(prefix + std::to_string(i));
  return names;
}

std::set<std::string> Join(std::initializer_list<std::vector<std::string>> parts) {
  std::set<std::string> all;
  for (const auto& part : parts) all.insert(part.begin(), part.end());
  return all;
}

const ControlSpec& Spec(const std::string& name) {
  const ControlSpec* spec = FindSpec(name);
  if (spec == nullptr) throw std::runtime_error("no control " + name);
  return *spec;
}

bool IsField(const ControlSpec& s) {
  return s.type == ControlType::kEdit || s.type == ControlType::kComboEdit;
}

// Names of the controls of `parent` that take part in the tab order, in that order.
std::vector<std::string> TabSequence(const std::string& parent) {
  std::vector<const ControlSpec*> in_tab;
  for (const ControlSpec& s : Catalogue()) {
    if (s.parent == parent && s.tab_order >= 0) in_tab.push_back(&s);
  }
  std::sort(in_tab.begin(), in_tab.end(),
            [](const ControlSpec* a, const ControlSpec* b) { return a->tab_order < b->tab_order; });
  std::vector<std::string> names;
  for (const ControlSpec* s : in_tab) names.push_back(s->name);
  return names;
}

// Pixels that `text` needs in the form's 12-pixel font: 12 per non-ASCII character, 6 per ASCII
// one.
int NeededWidth(const std::string& text) {
  int width = 0;
  for (unsigned char c : text) {
    if (c < 0x80) {
      width += 6;
    } else if ((c & 0xC0) != 0x80) {
      width += 12;
    }
  }
  return width;
}

struct Rect {
  int left, top, right, bottom;
  bool Overlaps(const Rect& o) const {
    return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
  }
};

Rect BoxOf(const ControlSpec& s) { return {s.left, s.top, s.left + s.width, s.top + s.height}; }

// The stretches of a label where ink is drawn: its runs of non-blank characters. Caption lines use
// runs of blanks to leave room for the controls they frame.
std::vector<Rect> InkOf(const ControlSpec& label) {
  const int text_width = NeededWidth(label.caption);
  int x = label.left;
  if (label.align == Align::kRight) x = label.left + label.width - text_width;
  if (label.align == Align::kCenter) x = label.left + (label.width - text_width) / 2;
  std::vector<Rect> runs;
  bool in_run = false;
  const std::string& t = label.caption;
  for (std::size_t i = 0; i < t.size(); ++i) {
    const unsigned char c = t[i];
    if ((c & 0xC0) == 0x80) continue;
    const int w = c < 0x80 ? 6 : 12;
    if (c == ' ') {
      in_run = false;
    } else if (in_run) {
      runs.back().right = x + w;
    } else {
      runs.push_back({x, label.top, x + w, label.top + label.height});
      in_run = true;
    }
    x += w;
  }
  return runs;
}

const std::vector<std::string> kPages = {"TS_FM", "TS_D", "TS_T", "TS_CS"};

// ---------------------------------------------------------------------------------------------
// Names

TEST(CatalogueNames, EveryNameIsUnique) {
  std::map<std::string, int> seen;
  for (const ControlSpec& s : Catalogue()) ++seen[s.name];
  for (const auto& [name, count] : seen) EXPECT_EQ(count, 1) << name;
}

TEST(CatalogueNames, FindSpecReturnsTheCatalogueEntry) {
  for (const ControlSpec& s : Catalogue()) EXPECT_EQ(FindSpec(s.name), &s) << s.name;
}

TEST(CatalogueNames, FindSpecFindsNothingForUnknownNames) {
  EXPECT_EQ(FindSpec(""), nullptr);
  EXPECT_EQ(FindSpec("T_60"), nullptr);
  EXPECT_EQ(FindSpec("D_13"), nullptr);
  EXPECT_EQ(FindSpec("t_1"), nullptr);  // names are case-sensitive, as the parameter keys are
  EXPECT_EQ(FindSpec("T_1 "), nullptr);
}

TEST(CatalogueNames, LabelAndBevelNamesCarryTheirPage) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.type == ControlType::kLabel) {
      EXPECT_EQ(s.name.rfind("Lbl_" + s.parent + "_", 0), 0u) << s.name;
    }
    if (s.type == ControlType::kBevel) {
      EXPECT_EQ(s.name.rfind("Bvl_" + s.parent + "_", 0), 0u) << s.name;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Fields

TEST(CatalogueFields, EveryFamilyMemberIsExactlyOneEditOfAPage) {
  const std::set<std::string> names =
      Join({Family("D_", 1, 12), Family("T_", 1, 59), Family("TC_", 1, 4), Family("Date_", 1, 6),
            {"T_JZAZ", "T_SJF", "T_KCF", "RzE_KC"}});
  const std::set<std::string> pages(kPages.begin(), kPages.end());
  for (const std::string& name : names) {
    const auto count = std::count_if(Catalogue().begin(), Catalogue().end(),
                                     [&](const ControlSpec& s) { return s.name == name; });
    ASSERT_EQ(count, 1) << name;
    const ControlSpec& s = Spec(name);
    EXPECT_EQ(s.type, name == "T_44" ? ControlType::kComboEdit : ControlType::kEdit) << name;
    EXPECT_TRUE(pages.count(s.parent)) << name << " on " << s.parent;
  }
}

TEST(CatalogueFields, NoFieldOutsideTheFamilies) {
  const std::set<std::string> names =
      Join({Family("D_", 1, 12), Family("T_", 1, 59), Family("TC_", 1, 4), Family("Date_", 1, 6),
            {"T_JZAZ", "T_SJF", "T_KCF", "RzE_KC"}});
  for (const ControlSpec& s : Catalogue()) {
    if (IsField(s)) {
      EXPECT_TRUE(names.count(s.name)) << s.name;
    }
  }
}

TEST(CatalogueFields, HiddenSetIsExactlyTheListedFields) {
  const std::set<std::string> expected = Join({{"T_42", "T_43", "T_45", "Date_6"},
                                               Family("T_", 18, 22), Family("T_", 24, 28)});
  std::set<std::string> hidden;
  for (const ControlSpec& s : Catalogue()) {
    if (IsField(s) && s.kind == EditKind::kHidden) hidden.insert(s.name);
  }
  EXPECT_EQ(hidden, expected);
}

TEST(CatalogueFields, EachFieldSitsOnItsPage) {
  std::map<std::string, std::set<std::string>> expected;
  expected["TS_FM"] = Join({Family("T_", 46, 57)});
  expected["TS_D"] = Join({Family("D_", 1, 12), Family("T_", 1, 16), {"T_42", "T_43"}});
  expected["TS_T"] =
      Join({Family("T_", 17, 34), {"T_44", "T_JZAZ", "T_SJF", "T_KCF", "RzE_KC"}});
  expected["TS_CS"] = Join({Family("T_", 35, 41), {"T_45", "T_58", "T_59"}, Family("TC_", 1, 4),
                            Family("Date_", 1, 6)});
  std::map<std::string, std::set<std::string>> actual;
  for (const ControlSpec& s : Catalogue()) {
    if (IsField(s)) actual[s.parent].insert(s.name);
  }
  EXPECT_EQ(actual, expected);
}

TEST(CatalogueFields, ComboAndCheckBoxesOfTheDesignPage) {
  for (const char* name : {"RzCB_1", "RzCB_KC", "RzCB_YG", "RzCB_YJ"}) {
    EXPECT_EQ(Spec(name).parent, "TS_T") << name;
  }
  EXPECT_EQ(Spec("RzCB_1").type, ControlType::kListCombo);
  EXPECT_EQ(Spec("RzCB_KC").caption, "一阶段勘察");
  EXPECT_EQ(Spec("RzCB_YG").caption, "含乙供材料");
  EXPECT_EQ(Spec("RzCB_YJ").caption, "应急工程");
  for (const char* name : {"RzCB_KC", "RzCB_YG", "RzCB_YJ", "RzCB_Auto"}) {
    EXPECT_EQ(Spec(name).type, ControlType::kCheckBox) << name;
  }
}

// ---------------------------------------------------------------------------------------------
// Pages and parents

TEST(CataloguePages, FourPagesInOrderUnderThePageControl) {
  EXPECT_EQ(PageNames(), kPages);
  const std::vector<std::string> captions = {"报表封面", "施工费定案", "设计费定案", "初步审核"};
  for (std::size_t i = 0; i < kPages.size(); ++i) {
    const ControlSpec& page = Spec(kPages[i]);
    EXPECT_EQ(page.type, ControlType::kPage);
    EXPECT_EQ(page.parent, "PC_Main");
    EXPECT_EQ(page.caption, captions[i]);
  }
  EXPECT_EQ(TabSequence("PC_Main"), kPages);
}

TEST(CataloguePages, WindowChildrenAreThePageControlButtonsAndAutoRefresh) {
  std::set<std::string> children;
  for (const ControlSpec& s : Catalogue()) {
    if (s.parent.empty()) children.insert(s.name);
  }
  EXPECT_EQ(children, (std::set<std::string>{"PC_Main", "RzButton1", "RzButton2", "RzCB_Auto"}));
  EXPECT_EQ(Spec("PC_Main").type, ControlType::kPageControl);
  EXPECT_EQ(Spec("RzButton1").caption, "关闭");
  EXPECT_EQ(Spec("RzButton2").caption, "重置默认数据");
  EXPECT_EQ(Spec("RzCB_Auto").caption, "自动刷新数据");
}

TEST(CataloguePages, EveryOtherControlHangsOnAPage) {
  const std::set<std::string> pages(kPages.begin(), kPages.end());
  for (const ControlSpec& s : Catalogue()) {
    if (s.parent.empty()) continue;
    if (s.type == ControlType::kPage) continue;
    EXPECT_TRUE(pages.count(s.parent)) << s.name << " on " << s.parent;
  }
}

TEST(CataloguePages, EveryPageCarriesLabelsAndAFieldOrMore) {
  for (const std::string& page : kPages) {
    int labels = 0, fields = 0;
    for (const ControlSpec& s : Catalogue()) {
      if (s.parent != page) continue;
      labels += s.type == ControlType::kLabel;
      fields += IsField(s);
    }
    EXPECT_GT(labels, 0) << page;
    EXPECT_GT(fields, 0) << page;
  }
}

TEST(CataloguePages, WindowChildrenComeFirstThenEachPageInTurn) {
  // The model and the window walk the catalogue in order; a page's controls must not be scattered.
  std::vector<std::string> parents;
  for (const ControlSpec& s : Catalogue()) {
    if (parents.empty() || parents.back() != s.parent) parents.push_back(s.parent);
  }
  EXPECT_EQ(parents, (std::vector<std::string>{"", "PC_Main", "TS_FM", "TS_D", "TS_T", "TS_CS"}));
}

// ---------------------------------------------------------------------------------------------
// Tab order

TEST(CatalogueTabOrder, UniqueAndGaplessWithinEachParent) {
  std::map<std::string, std::vector<int>> orders;
  for (const ControlSpec& s : Catalogue()) {
    if (s.tab_order >= 0) orders[s.parent].push_back(s.tab_order);
  }
  for (auto& [parent, list] : orders) {
    std::sort(list.begin(), list.end());
    for (std::size_t i = 0; i < list.size(); ++i) {
      EXPECT_EQ(list[i], static_cast<int>(i)) << "parent '" << parent << "'";
    }
  }
}

TEST(CatalogueTabOrder, LabelsAndBevelsTakeNoFocus) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.type == ControlType::kLabel || s.type == ControlType::kBevel) {
      EXPECT_EQ(s.tab_order, -1) << s.name;
    }
  }
}

TEST(CatalogueTabOrder, EveryFieldAndCheckBoxTakesPart) {
  for (const ControlSpec& s : Catalogue()) {
    if (IsField(s) || s.type == ControlType::kCheckBox || s.type == ControlType::kListCombo ||
        s.type == ControlType::kButton) {
      EXPECT_GE(s.tab_order, 0) << s.name;
    }
  }
}

TEST(CatalogueTabOrder, WindowChildren) {
  EXPECT_EQ(TabSequence(""),
            (std::vector<std::string>{"PC_Main", "RzButton1", "RzButton2", "RzCB_Auto"}));
}

TEST(CatalogueTabOrder, CoverRunsTopToBottom) {
  const std::vector<std::string> expected = Family("T_", 46, 57);
  EXPECT_EQ(TabSequence("TS_FM"), expected);
}

TEST(CatalogueTabOrder, FeePageRunsDownTheColumns) {
  const std::vector<std::string> expected = {
      "D_1", "D_2", "D_3", "D_4", "D_5", "D_6", "D_7", "D_8",
      "D_9", "D_12", "D_10", "D_11", "T_1", "T_2", "T_3", "T_4", "T_5", "T_6",
      "T_7", "T_8", "T_9", "T_10", "T_11", "T_12", "T_13", "T_14", "T_15", "T_16",
      "T_42", "T_43"};
  EXPECT_EQ(TabSequence("TS_D"), expected);
}

TEST(CatalogueTabOrder, DesignPageRunsDownTheColumnsThenTheBottomBlock) {
  std::vector<std::string> expected = Family("T_", 17, 34);
  for (const char* name : {"T_JZAZ", "T_44", "RzCB_YJ", "T_SJF", "RzCB_1", "T_KCF", "RzCB_YG",
                           "RzCB_KC", "RzE_KC"}) {
    expected.push_back(name);
  }
  EXPECT_EQ(TabSequence("TS_T"), expected);
}

TEST(CatalogueTabOrder, ReviewPageLeavesTheOwnMaterialsRowLast) {
  const std::vector<std::string> expected = {
      "T_35", "T_36", "T_37", "T_38", "T_39", "T_40", "T_41",
      "TC_1", "TC_2", "TC_3", "TC_4", "Date_1", "Date_2", "Date_3", "Date_4", "Date_5",
      "T_45", "Date_6", "T_58", "T_59"};
  EXPECT_EQ(TabSequence("TS_CS"), expected);
}

// ---------------------------------------------------------------------------------------------
// Handlers

TEST(CatalogueHandlers, ChangeHandlersOnExactlyTheListedFields) {
  const std::set<std::string> expected = Join({
      Family("D_", 2, 6), {"D_11", "D_12"}, Family("T_", 1, 4), Family("T_", 9, 14),
      {"T_18", "T_20", "T_22", "T_24", "T_26", "T_28", "T_30", "T_32", "T_33", "T_34"},
      Family("T_", 36, 39), {"T_58", "T_59", "TC_3", "TC_4"}, Family("Date_", 1, 3),
      {"T_50", "T_51", "T_52", "T_54", "T_55", "T_56"},
      {"T_44", "T_JZAZ"},
  });
  std::set<std::string> with_handler;
  for (const ControlSpec& s : Catalogue()) {
    if (s.on_change.empty()) continue;
    with_handler.insert(s.name);
    EXPECT_EQ(s.on_change, s.name + "Change");
  }
  EXPECT_EQ(with_handler, expected);
}

TEST(CatalogueHandlers, KeyDownAndDoubleClickHandlers) {
  std::map<std::string, std::string> key_down, dbl_click;
  for (const ControlSpec& s : Catalogue()) {
    if (!s.on_key_down.empty()) key_down[s.name] = s.on_key_down;
    if (!s.on_dbl_click.empty()) dbl_click[s.name] = s.on_dbl_click;
  }
  EXPECT_EQ(key_down, (std::map<std::string, std::string>{{"T_19", "T_19KeyDown"},
                                                          {"T_25", "T_25KeyDown"},
                                                          {"T_31", "T_31KeyDown"},
                                                          {"T_44", "T_44KeyDown"},
                                                          {"T_SJF", "T_SJFKeyDown"},
                                                          {"T_KCF", "T_KCFKeyDown"}}));
  EXPECT_EQ(dbl_click, (std::map<std::string, std::string>{{"T_44", "T_44DblClick"}}));
}

TEST(CatalogueHandlers, ClickAndSelectHandlers) {
  std::map<std::string, std::string> click, select;
  for (const ControlSpec& s : Catalogue()) {
    if (!s.on_click.empty()) click[s.name] = s.on_click;
    if (!s.on_select.empty()) select[s.name] = s.on_select;
  }
  EXPECT_EQ(click, (std::map<std::string, std::string>{{"RzButton1", "RzButton1Click"},
                                                       {"RzButton2", "RzButton2Click"},
                                                       {"RzCB_Auto", "RzCB_AutoClick"},
                                                       {"RzCB_KC", "RzCB_KCClick"},
                                                       {"RzCB_YG", "RzCB_YGClick"},
                                                       {"RzCB_YJ", "RzCB_YJClick"}}));
  EXPECT_EQ(select, (std::map<std::string, std::string>{{"RzCB_1", "RzCB_1Select"}}));
}

// ---------------------------------------------------------------------------------------------
// Layout state

TEST(CatalogueInitialState, CheckBoxes) {
  EXPECT_TRUE(Spec("RzCB_Auto").checked);
  EXPECT_TRUE(Spec("RzCB_YG").checked);
  EXPECT_FALSE(Spec("RzCB_YJ").checked);
  EXPECT_FALSE(Spec("RzCB_KC").checked);
}

TEST(CatalogueInitialState, SurveyTypeListSelectsItsFirstItem) {
  const ControlSpec& s = Spec("RzCB_1");
  EXPECT_EQ(s.items, (std::vector<std::string>{"通信管道", "长途线路", "市话线路"}));
  EXPECT_EQ(s.item_index, 0);
}

TEST(CatalogueInitialState, CoefficientListAndEmptyTypedText) {
  const ControlSpec& s = Spec("T_44");
  EXPECT_EQ(s.items, (std::vector<std::string>{"45", "65"}));
  EXPECT_EQ(s.default_text, "");
}

TEST(CatalogueInitialState, OnlyTheCoverTitlesHaveText) {
  for (const ControlSpec& s : Catalogue()) {
    if (!IsField(s)) continue;
    if (s.name == "T_46") {
      EXPECT_EQ(s.default_text, "澄川通信公司审计部驻柳岸分公司审计室");
    } else if (s.name == "T_47") {
      EXPECT_EQ(s.default_text, "审计报告");
    } else {
      EXPECT_EQ(s.default_text, "") << s.name;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Look of the fields

TEST(CatalogueLook, EditKinds) {
  const std::set<std::string> computed = {"T_48", "T_49", "T_53", "D_1", "D_9", "T_7", "D_10",
                                          "T_8", "T_35", "TC_1", "TC_2", "RzE_KC"};
  const std::set<std::string> marked = {"T_52", "T_54", "T_56", "T_57", "T_17", "T_23"};
  for (const ControlSpec& s : Catalogue()) {
    if (!IsField(s) || s.kind == EditKind::kHidden) continue;
    EditKind want = EditKind::kInput;
    if (computed.count(s.name)) want = EditKind::kComputed;
    if (marked.count(s.name)) want = EditKind::kMarkedInput;
    if (s.name == "T_29") want = EditKind::kTooltipInput;
    if (s.name == "T_30") want = EditKind::kReadOnlyPlain;
    EXPECT_EQ(s.kind, want) << s.name;
  }
}

TEST(CatalogueLook, FeeFieldsReadRightAligned) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.type != ControlType::kEdit) continue;
    Align want = s.parent == "TS_FM" ? Align::kLeft : Align::kRight;
    if (s.name == "T_46" || s.name == "T_47" || s.name == "RzE_KC") want = Align::kCenter;
    EXPECT_EQ(s.align, want) << s.name;
  }
}

TEST(CatalogueLook, EditAndComboHeights) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.type == ControlType::kEdit) {
      EXPECT_EQ(s.height, 21) << s.name;
    }
    if (s.type == ControlType::kComboEdit || s.type == ControlType::kListCombo) {
      EXPECT_EQ(s.height, 20) << s.name;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Geometry

TEST(CatalogueGeometry, WindowChildrenPlacedAsLaidOut) {
  auto box = [](const char* name) {
    const ControlSpec& s = Spec(name);
    return std::vector<int>{s.left, s.top, s.width, s.height};
  };
  EXPECT_EQ(box("PC_Main"), (std::vector<int>{0, 0, 733, 517}));
  EXPECT_EQ(box("RzButton2"), (std::vector<int>{333, 531, 100, 29}));
  EXPECT_EQ(box("RzButton1"), (std::vector<int>{561, 531, 89, 29}));
  EXPECT_EQ(box("RzCB_Auto"), (std::vector<int>{141, 536, 91, 15}));
}

TEST(CatalogueGeometry, SampleFieldsPlacedAsLaidOut) {
  auto box = [](const char* name) {
    const ControlSpec& s = Spec(name);
    return std::vector<int>{s.left, s.top, s.width};
  };
  EXPECT_EQ(box("T_46"), (std::vector<int>{96, 15, 545}));
  EXPECT_EQ(box("T_50"), (std::vector<int>{279, 174, 290}));
  EXPECT_EQ(box("T_57"), (std::vector<int>{279, 429, 361}));
  EXPECT_EQ(box("D_11"), (std::vector<int>{373, 107, 95}));
  EXPECT_EQ(box("T_42"), (std::vector<int>{187, 359, 150}));
  EXPECT_EQ(box("T_43"), (std::vector<int>{563, 359, 120}));
  EXPECT_EQ(box("T_31"), (std::vector<int>{595, 157, 100}));
  EXPECT_EQ(box("T_44"), (std::vector<int>{352, 358, 117}));
  EXPECT_EQ(box("RzCB_1"), (std::vector<int>{155, 405, 96}));
  EXPECT_EQ(box("T_KCF"), (std::vector<int>{353, 404, 214}));
  EXPECT_EQ(box("RzE_KC"), (std::vector<int>{565, 404, 36}));
  EXPECT_EQ(box("RzCB_YG"), (std::vector<int>{635, 385, 79}));
  EXPECT_EQ(box("RzCB_YJ"), (std::vector<int>{607, 444, 67}));
  EXPECT_EQ(box("TC_3"), (std::vector<int>{561, 114, 120}));
  EXPECT_EQ(box("Date_6"), (std::vector<int>{561, 396, 114}));
}

TEST(CatalogueGeometry, WindowChildrenInsideTheClientArea) {
  for (const ControlSpec& s : Catalogue()) {
    if (!s.parent.empty()) continue;
    EXPECT_GE(s.left, 0) << s.name;
    EXPECT_GE(s.top, 0) << s.name;
    EXPECT_LE(s.left + s.width, 734) << s.name;
    EXPECT_LE(s.top + s.height, 573) << s.name;
  }
}

TEST(CatalogueGeometry, PagesFillThePageControlBelowItsTabs) {
  const ControlSpec& pc = Spec("PC_Main");
  for (const std::string& name : kPages) {
    const ControlSpec& page = Spec(name);
    EXPECT_GE(page.left, 0);
    EXPECT_GE(page.top, 25);  // below the 25-pixel tabs
    EXPECT_LE(page.left + page.width, pc.width);
    EXPECT_LE(page.top + page.height, pc.height);
    EXPECT_GE(page.width, 720);
    EXPECT_GE(page.height, 480);
  }
}

TEST(CatalogueGeometry, EveryPageControlInsideItsPage) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.parent.empty() || s.parent == "PC_Main") continue;
    const ControlSpec& page = Spec(s.parent);
    EXPECT_GT(s.width, 0) << s.name;
    EXPECT_GT(s.height, 0) << s.name;
    EXPECT_GE(s.left, 0) << s.name;
    EXPECT_GE(s.top, 0) << s.name;
    EXPECT_LE(s.left + s.width, page.width) << s.name;
    EXPECT_LE(s.top + s.height, page.height) << s.name;
  }
}

// ---------------------------------------------------------------------------------------------
// Labels

TEST(CatalogueLabels, WideAndTallEnoughForTheirText) {
  for (const ControlSpec& s : Catalogue()) {
    if (s.type != ControlType::kLabel) continue;
    EXPECT_FALSE(s.caption.empty()) << s.name;
    EXPECT_GE(s.width, NeededWidth(s.caption)) << s.name;
    EXPECT_GE(s.height, 12) << s.name;
    EXPECT_NE(s.align, Align::kCenter) << s.name;
  }
}

TEST(CatalogueLabels, CoverRowLabelsEndAtTheirEdgeJustBelowTheFieldTop) {
  const std::map<std::string, std::string> captions = {
      {"T_48", "工程总造价："},         {"T_49", "其中：一、建筑安装工程投资："},
      {"T_50", "1、支付施工单位工程款："}, {"T_51", "2、公司甲供材料费："},
      {"T_52", "二、在安装设备投资："},   {"T_53", "三：待摊投资："},
      {"T_54", "1、征地及补偿费："},     {"T_55", "2、勘察设计费："},
      {"T_56", "3、资本化借款利息："},   {"T_57", "预转固金额："}};
  for (const auto& [field, caption] : captions) {
    const ControlSpec& label = Spec("Lbl_TS_FM_" + field);
    EXPECT_EQ(label.caption, caption);
    EXPECT_EQ(label.parent, "TS_FM");
    EXPECT_EQ(label.align, Align::kRight) << field;
    EXPECT_EQ(label.left + label.width, 261) << field;
    const int drop = label.top - Spec(field).top;
    EXPECT_GE(drop, 3) << field;
    EXPECT_LE(drop, 6) << field;
  }
}

// Every visible field of the two fee pages has its row caption just left of it, on its row.
TEST(CatalogueLabels, FeePageFieldsHaveARowCaption) {
  for (const ControlSpec& f : Catalogue()) {
    if (!IsField(f) || f.kind == EditKind::kHidden) continue;
    if (f.parent != "TS_D" && f.parent != "TS_CS") continue;
    const auto& all = Catalogue();
    const bool found = std::any_of(all.begin(), all.end(), [&](const ControlSpec& l) {
      return l.type == ControlType::kLabel && l.parent == f.parent && l.align == Align::kRight &&
             l.left + l.width <= f.left && l.left + l.width >= f.left - 10 &&
             l.top >= f.top + 2 && l.top <= f.top + 6;
    });
    EXPECT_TRUE(found) << f.name;
  }
}

TEST(CatalogueLabels, ColumnHeadersAreBold) {
  const std::map<std::string, std::vector<std::string>> headers = {
      {"TS_D", {"施工单位送审", "建设单位初审", "审计单位审定"}},
      {"TS_T", {"设计单位送审", "建设单位初审", "审计单位审定"}},
      {"TS_CS", {"施工单位送审", "建设单位初审"}}};
  for (const auto& [page, texts] : headers) {
    for (const std::string& text : texts) {
      int found = 0;
      for (const ControlSpec& s : Catalogue()) {
        if (s.type != ControlType::kLabel || s.parent != page || s.caption != text) continue;
        ++found;
        EXPECT_TRUE(s.bold) << s.name;
      }
      EXPECT_EQ(found, 1) << page << " " << text;
    }
  }
}

TEST(CatalogueLabels, DesignPageCaptionLinesAndHints) {
  struct Line {
    std::string text;
    int left, top;
    std::uint32_t color;
  };
  const std::vector<Line> lines = {
      {"勘察设计费下浮系数                         %  建筑安装工程费", 224, 363, 0},
      {"勘察类型                   勘察费计算式", 99, 409, 0},
      {"设计费计算式", 261, 446, 0},
      {"(修改完毕后回车)", 352, 471, 0x008000}};
  for (const Line& line : lines) {
    const auto it = std::find_if(Catalogue().begin(), Catalogue().end(), [&](const ControlSpec& s) {
      return s.type == ControlType::kLabel && s.parent == "TS_T" && s.caption == line.text;
    });
    ASSERT_NE(it, Catalogue().end()) << line.text;
    EXPECT_EQ(it->left, line.left) << line.text;
    EXPECT_EQ(it->top, line.top) << line.text;
    EXPECT_EQ(it->font_color, line.color) << line.text;
  }
}

TEST(CatalogueLabels, RouteHintIsGreenBelowTheAuditorRouteField) {
  const ControlSpec& t31 = Spec("T_31");
  const auto it = std::find_if(Catalogue().begin(), Catalogue().end(), [](const ControlSpec& s) {
    return s.type == ControlType::kLabel && s.caption == "(输入完毕后回车)";
  });
  ASSERT_NE(it, Catalogue().end());
  EXPECT_EQ(it->parent, "TS_T");
  EXPECT_EQ(it->font_color, 0x008000u);
  EXPECT_GE(it->top, t31.top + t31.height);
  EXPECT_LT(it->top, Spec("T_32").top);
  EXPECT_LT(std::abs(it->left - t31.left), 20);
}

// Text may run behind a control only where it is blank (the caption lines leave room that way);
// no stroke of a label may hide under a visible control or cross another label.
TEST(CatalogueLabels, NoTextUnderAVisibleControlOrAnotherLabel) {
  for (const ControlSpec& label : Catalogue()) {
    if (label.type != ControlType::kLabel) continue;
    const std::vector<Rect> ink = InkOf(label);
    for (const ControlSpec& other : Catalogue()) {
      if (&other == &label || other.parent != label.parent) continue;
      if (other.type == ControlType::kBevel) continue;
      if (IsField(other) && other.kind == EditKind::kHidden) continue;
      const std::vector<Rect> boxes =
          other.type == ControlType::kLabel ? InkOf(other) : std::vector<Rect>{BoxOf(other)};
      for (const Rect& run : ink) {
        for (const Rect& box : boxes) {
          EXPECT_FALSE(run.Overlaps(box)) << label.name << " under " << other.name;
        }
      }
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Bevels

TEST(CatalogueBevels, FramesAndColumnLines) {
  struct Want {
    std::string page;
    BevelShape shape;
    int left, top, width, height;  // height -1: any, but within the frame
  };
  const std::vector<Want> wants = {
      {"TS_D", BevelShape::kFrame, 5, 10, 723, 336},
      {"TS_D", BevelShape::kVerticalLine, 242, 0, 0, -1},
      {"TS_D", BevelShape::kVerticalLine, 484, 0, 0, -1},
      {"TS_T", BevelShape::kFrame, 5, 10, 723, 336},
      {"TS_T", BevelShape::kVerticalLine, 242, 0, 0, -1},
      {"TS_T", BevelShape::kVerticalLine, 484, 0, 0, -1},
      {"TS_CS", BevelShape::kFrame, 5, 10, 723, 375},
      {"TS_CS", BevelShape::kVerticalLine, 364, 0, 0, -1}};
  std::map<std::string, int> count;
  for (const ControlSpec& s : Catalogue()) {
    if (s.type == ControlType::kBevel) ++count[s.parent];
  }
  EXPECT_EQ(count, (std::map<std::string, int>{{"TS_D", 3}, {"TS_T", 3}, {"TS_CS", 2}}));
  for (const Want& w : wants) {
    const auto& all = Catalogue();
    const auto frame = std::find_if(all.begin(), all.end(), [&](const ControlSpec& s) {
      return s.type == ControlType::kBevel && s.parent == w.page && s.bevel == BevelShape::kFrame;
    });
    ASSERT_NE(frame, Catalogue().end()) << w.page;
    const auto it = std::find_if(Catalogue().begin(), Catalogue().end(), [&](const ControlSpec& s) {
      return s.type == ControlType::kBevel && s.parent == w.page && s.bevel == w.shape &&
             s.left == w.left;
    });
    ASSERT_NE(it, Catalogue().end()) << w.page << " at " << w.left;
    if (w.shape == BevelShape::kFrame) {
      EXPECT_EQ(std::vector<int>({it->top, it->width, it->height}),
                std::vector<int>({w.top, w.width, w.height}));
    } else {
      EXPECT_GE(it->top, frame->top);
      EXPECT_GT(it->height, 0);
      EXPECT_LE(it->top + it->height, frame->top + frame->height);
    }
  }
}

}  // namespace
}  // namespace torva::form
