// The control catalogue: every control of the audit form as data (name, page, geometry, kind,
// caption or row label, default text, list items, initial state, handler names, tab order). The
// model builds its controls from it and the window lays itself out from it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace torva::form {

enum class ControlType {
  kPageControl,  // PC_Main
  kPage,         // TS_FM, TS_D, TS_T, TS_CS
  kEdit,         // single-line edit box
  kComboEdit,    // T_44: typed text and a sorted list
  kListCombo,    // RzCB_1: drop-down list, no typing
  kCheckBox,
  kButton,
  kLabel,        // static text (row captions, column headers, hints)
  kBevel,        // frames and separators
};

enum class EditKind {
  kInput,          // the user types; window background
  kComputed,       // read-only, tooltip background, written only by calculations
  kMarkedInput,    // the user types; light pink background RGB(255,221,221)
  kHidden,         // never visible; still loaded, saved and calculated
  kReadOnlyPlain,  // read-only on the window background, light pink while focused (T_30)
  kTooltipInput,   // the user may type; tooltip background (T_29)
};

enum class Align { kLeft, kRight, kCenter };

enum class BevelShape { kFrame, kVerticalLine };

// What a label says of the fields around it, so that a reader of the form's figures (the report)
// takes its rows and captions from here rather than from the labels' names.
enum class LabelRole {
  kText,          // free text, hints
  kRowCaption,    // stands beside one field and names its row
  kRowHeading,    // introduces the row of a field and those below it ("其中：", "施工工日")
  kColumnHeader,  // heads a column of a page
};

struct ControlSpec {
  std::string name;
  ControlType type = ControlType::kEdit;
  std::string parent;  // "" for the window's children, else the page name ("TS_FM", ...) or "PC_Main" for pages
  int left = 0, top = 0, width = 0, height = 0;
  EditKind kind = EditKind::kInput;
  Align align = Align::kLeft;
  std::string caption;       // button, check box, label, page caption
  std::string default_text;  // edits: the layout's text
  std::vector<std::string> items;  // combos: the layout's list
  int item_index = -1;       // list combo: the layout's selection
  bool checked = false;      // check boxes: the layout's state
  int tab_order = -1;        // within its parent; -1 for controls outside the tab order
  bool bold = false;         // labels
  std::uint32_t font_color = 0;  // labels: 0xRRGGBB, 0 for the default colour
  BevelShape bevel = BevelShape::kFrame;
  LabelRole role = LabelRole::kText;  // labels
  std::string labels;  // row captions and headings: the field whose row they name or introduce
  // Handler names; empty for none.
  std::string on_change, on_key_down, on_dbl_click, on_click, on_select;
};

// Every control of the form, window children first, then each page's controls. Stable order.
const std::vector<ControlSpec>& Catalogue();

// The catalogue entry of control `name`, or null.
const ControlSpec* FindSpec(std::string_view name);

// The row caption standing beside `field`, or null when the field has none.
const ControlSpec* RowCaptionOf(std::string_view field);

// The heading that introduces the row of `field` ("其中：", "施工工日"), or null.
const ControlSpec* RowHeadingOf(std::string_view field);

// The column headers of `page`, left to right.
std::vector<const ControlSpec*> ColumnHeaders(std::string_view page);

// Names of the four pages in their order.
const std::vector<std::string>& PageNames();

}  // namespace torva::form
