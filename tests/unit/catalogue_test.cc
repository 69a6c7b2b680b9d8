// The control catalogue is the one description of the form that the model and the window are both
// built from. These tests hold it to what must be true of any layout of the form: every name once,
// every saved field present, handlers named after their control and event, a tab order that
// reaches every control that takes input, and every control inside the area it belongs to. The
// layout's particulars show in the GUI tests and the page snapshots.
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
  const auto& all = Catalogue();
  const auto it =
      std::find_if(all.begin(), all.end(), [&](const ControlSpec& s) { return s.name == name; });
  if (it == all.end()) throw std::runtime_error("no control " + name);
  return *it;
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

// ---------------------------------------------------------------------------------------------
// Pages and parents

TEST(CataloguePages, FourPagesInOrderUnderThePageControl) {
  EXPECT_EQ(PageNames(), kPages);
  for (const std::string& name : kPages) {
    const ControlSpec& page = Spec(name);
    EXPECT_EQ(page.type, ControlType::kPage);
    EXPECT_EQ(page.parent, "PC_Main");
    EXPECT_FALSE(page.caption.empty()) << name;
  }
  EXPECT_EQ(TabSequence("PC_Main"), kPages);
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

// ---------------------------------------------------------------------------------------------
// Handlers

// The form finds a control's code by this spelling (`T_36` -> T_36Change), and the handler table
// is checked against the same names when the form is built.
TEST(CatalogueHandlers, EachHandlerIsNamedAfterItsControlAndEvent) {
  int named = 0;
  for (const ControlSpec& s : Catalogue()) {
    const std::pair<const std::string*, const char*> events[] = {
        {&s.on_change, "Change"}, {&s.on_key_down, "KeyDown"}, {&s.on_dbl_click, "DblClick"},
        {&s.on_click, "Click"},   {&s.on_select, "Select"}};
    for (const auto& [handler, event] : events) {
      if (handler->empty()) continue;
      ++named;
      EXPECT_EQ(*handler, s.name + event);
    }
  }
  EXPECT_GT(named, 0);
}

// ---------------------------------------------------------------------------------------------
// Geometry

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

// What a reader of the figures takes from the labels: each row caption and heading names a field
// of its own page, and stands in the row of that field (its top within the field's height).
TEST(CatalogueLabels, RowCaptionsAndHeadingsNameAFieldOfTheirRow) {
  int captions = 0;
  for (const ControlSpec& label : Catalogue()) {
    if (label.role != LabelRole::kRowCaption && label.role != LabelRole::kRowHeading) continue;
    const ControlSpec* field = FindSpec(label.labels);
    ASSERT_NE(field, nullptr) << label.name << " names " << label.labels;
    EXPECT_EQ(field->type, ControlType::kEdit) << label.name;
    EXPECT_EQ(field->parent, label.parent) << label.name;
    if (label.role == LabelRole::kRowCaption) {
      ++captions;
      EXPECT_LE(std::abs(label.top - field->top), field->height) << label.name;
      EXPECT_EQ(RowCaptionOf(label.labels), &label) << label.name;
    }
  }
  EXPECT_GE(captions, 60);
  const auto text = [](const ControlSpec* label) { return label ? label->caption : "<none>"; };
  EXPECT_EQ(text(RowCaptionOf("D_2")), "施工费(元)");
  EXPECT_EQ(text(RowCaptionOf("T_31")), "勘察路由(km)");
  EXPECT_EQ(text(RowCaptionOf("T_48")), "工程总造价：");
  EXPECT_EQ(text(RowHeadingOf("D_12")), "其中：");
  EXPECT_EQ(text(RowHeadingOf("Date_4")), "施工工日");
  EXPECT_EQ(RowCaptionOf("T_42"), nullptr);  // hidden, no caption
}

TEST(CatalogueLabels, ColumnHeadersReadLeftToRight) {
  std::vector<std::string> headers;
  for (const ControlSpec* header : ColumnHeaders("TS_T")) headers.push_back(header->caption);
  EXPECT_EQ(headers, (std::vector<std::string>{"设计单位送审", "建设单位初审", "审计单位审定"}));
  EXPECT_EQ(ColumnHeaders("TS_CS").size(), 2u);
  EXPECT_TRUE(ColumnHeaders("TS_FM").empty());
}

}  // namespace
}  // namespace torva::form
