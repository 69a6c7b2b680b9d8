// The control catalogue of the audit form "审计信息": every control, page by page, in the order the
// rows read on screen. Positions are in pixels at 96 dots per inch, relative to the parent (the
// window for its own children, the page control for the pages, the page's client area otherwise).
#include "form/catalogue.h"

#include <algorithm>
#include <initializer_list>
#include <stdexcept>
#include <unordered_map>
#include <utility>

namespace torva::form {
namespace {

constexpr int kEditHeight = 21;
constexpr int kComboHeight = 20;
constexpr int kCheckHeight = 15;
constexpr int kButtonHeight = 29;
constexpr int kLabelHeight = 14;
constexpr int kLineWidth = 2;        // a vertical bevel line
constexpr int kLabelDrop = 4;        // a row label's top below its field's top
constexpr int kCaptionGap = 4;       // between a row caption's right end and its field
constexpr std::uint32_t kHintGreen = 0x008000;

// The page control's client area as the pages fill it: below the 25-pixel tabs, inside the frame.
constexpr int kPageLeft = 2, kPageTop = 27, kPageWidth = 729, kPageHeight = 488;

// Width of `text` in the form's 12-pixel font (宋体): every non-ASCII character (CJK and the
// full-width punctuation) takes 12 pixels, ASCII half of that; two pixels spare so nothing is
// clipped.
int TextWidth(std::string_view text) {
  int width = 2;
  for (unsigned char c : text) {
    if (c < 0x80) {
      width += 6;
    } else if ((c & 0xC0) != 0x80) {  // lead byte of a multi-byte character
      width += 12;
    }
  }
  return width;
}

// Sets the optional parts of the control just added; each call returns itself so that a control
// reads as one line.
class SpecRef {
 public:
  explicit SpecRef(ControlSpec& spec) : spec_(spec) {}
  SpecRef& Change(std::string handler) { spec_.on_change = std::move(handler); return *this; }
  SpecRef& KeyDown(std::string handler) { spec_.on_key_down = std::move(handler); return *this; }
  SpecRef& DblClick(std::string handler) { spec_.on_dbl_click = std::move(handler); return *this; }
  SpecRef& Click(std::string handler) { spec_.on_click = std::move(handler); return *this; }
  SpecRef& Select(std::string handler) { spec_.on_select = std::move(handler); return *this; }
  SpecRef& Text(std::string text) { spec_.default_text = std::move(text); return *this; }
  SpecRef& Items(std::vector<std::string> items, int index = -1) {
    spec_.items = std::move(items);
    spec_.item_index = index;
    return *this;
  }
  SpecRef& Checked() { spec_.checked = true; return *this; }
  SpecRef& Bold() { spec_.bold = true; return *this; }
  SpecRef& Tab(int order) { spec_.tab_order = order; return *this; }
  // A label naming the row of `field`.
  SpecRef& Captions(std::string field) {
    spec_.role = LabelRole::kRowCaption;
    spec_.labels = std::move(field);
    return *this;
  }
  // A label introducing the row of `field` and those below it.
  SpecRef& Heads(std::string field) {
    spec_.role = LabelRole::kRowHeading;
    spec_.labels = std::move(field);
    return *this;
  }

 private:
  ControlSpec& spec_;
};

class Builder {
 public:
  // The controls added from now on belong to `parent`.
  void Into(std::string parent) { parent_ = std::move(parent); }

  SpecRef Window(std::string name, ControlType type, int left, int top, int width, int height,
                 std::string caption = "") {
    ControlSpec& s = Add(std::move(name), type, left, top, width, height);
    s.caption = std::move(caption);
    return SpecRef(s);
  }

  SpecRef Page(std::string name, std::string caption) {
    ControlSpec& s = Add(std::move(name), ControlType::kPage, kPageLeft, kPageTop, kPageWidth,
                         kPageHeight);
    s.caption = std::move(caption);
    return SpecRef(s);
  }

  // An edit box; fields of the fee pages read right-aligned.
  SpecRef Field(std::string name, int left, int top, int width, EditKind kind,
                Align align = Align::kRight) {
    ControlSpec& s = Add(std::move(name), ControlType::kEdit, left, top, width, kEditHeight);
    s.kind = kind;
    s.align = align;
    return SpecRef(s);
  }

  SpecRef Combo(std::string name, ControlType type, int left, int top, int width) {
    return SpecRef(Add(std::move(name), type, left, top, width, kComboHeight));
  }

  SpecRef Check(std::string name, int left, int top, int width, std::string caption) {
    ControlSpec& s = Add(std::move(name), ControlType::kCheckBox, left, top, width, kCheckHeight);
    s.caption = std::move(caption);
    return SpecRef(s);
  }

  // A row caption whose right end stands `kCaptionGap` left of `field_left`, a little below the
  // field's top so that the texts share a baseline.
  SpecRef Caption(std::string_view suffix, std::string text, int field_left, int field_top) {
    const int width = TextWidth(text);
    return Label(suffix, std::move(text), field_left - kCaptionGap - width, field_top + kLabelDrop,
                 Align::kRight)
        .Captions(std::string(suffix));
  }

  // A cover row label: right-aligned, ending at `right`.
  SpecRef RightLabel(std::string_view suffix, std::string text, int right, int field_top) {
    const int width = TextWidth(text);
    return Label(suffix, std::move(text), right - width, field_top + kLabelDrop, Align::kRight)
        .Captions(std::string(suffix));
  }

  // A column header, bold, centred over the column [panel_left, panel_right).
  SpecRef Header(std::string_view suffix, std::string text, int panel_left, int panel_right,
                 int top) {
    const int width = TextWidth(text);
    ControlSpec& s = AddLabel(suffix, std::move(text), (panel_left + panel_right - width) / 2, top,
                              Align::kLeft);
    s.role = LabelRole::kColumnHeader;
    return SpecRef(s).Bold();
  }

  // Free text at a fixed place, read left to right.
  SpecRef Text(std::string_view suffix, std::string text, int left, int top) {
    return Label(suffix, std::move(text), left, top, Align::kLeft);
  }

  // A green hint telling the auditor how to confirm an entry.
  SpecRef Hint(std::string_view suffix, std::string text, int left, int top) {
    ControlSpec& s = AddLabel(suffix, std::move(text), left, top, Align::kLeft);
    s.font_color = kHintGreen;
    return SpecRef(s);
  }

  void Frame(std::string_view suffix, int left, int top, int width, int height) {
    Add("Bvl_" + parent_ + "_" + std::string(suffix), ControlType::kBevel, left, top, width, height)
        .bevel = BevelShape::kFrame;
  }

  void VLine(std::string_view suffix, int left, int top, int height) {
    Add("Bvl_" + parent_ + "_" + std::string(suffix), ControlType::kBevel, left, top, kLineWidth,
        height)
        .bevel = BevelShape::kVerticalLine;
  }

  // Gives the named controls of the current parent their tab order, in the order listed.
  void TabOrder(std::initializer_list<std::string_view> names) {
    int order = 0;
    for (std::string_view name : names) {
      ControlSpec* spec = nullptr;
      for (ControlSpec& s : specs_) {
        if (s.name == name && s.parent == parent_) spec = &s;
      }
      if (spec == nullptr) {
        throw std::logic_error("tab order names an unknown control: " + std::string(name));
      }
      spec->tab_order = order++;
    }
  }

  std::vector<ControlSpec> Take() { return std::move(specs_); }

 private:
  ControlSpec& Add(std::string name, ControlType type, int left, int top, int width, int height) {
    ControlSpec& s = specs_.emplace_back();
    s.name = std::move(name);
    s.type = type;
    s.parent = parent_;
    s.left = left;
    s.top = top;
    s.width = width;
    s.height = height;
    return s;
  }

  ControlSpec& AddLabel(std::string_view suffix, std::string text, int left, int top, Align align) {
    const int width = TextWidth(text);
    ControlSpec& s = Add("Lbl_" + parent_ + "_" + std::string(suffix), ControlType::kLabel, left,
                         top, width, kLabelHeight);
    s.caption = std::move(text);
    s.align = align;
    return s;
  }

  SpecRef Label(std::string_view suffix, std::string text, int left, int top, Align align) {
    return SpecRef(AddLabel(suffix, std::move(text), left, top, align));
  }

  std::string parent_;
  std::vector<ControlSpec> specs_;
};

using CT = ControlType;
using EK = EditKind;

void AddWindowChildren(Builder& b) {
  b.Into("");
  b.Window("PC_Main", CT::kPageControl, 0, 0, 733, 517);
  b.Window("RzButton2", CT::kButton, 333, 531, 100, kButtonHeight, "重置默认数据")
      .Click("RzButton2Click");
  b.Window("RzButton1", CT::kButton, 561, 531, 89, kButtonHeight, "关闭").Click("RzButton1Click");
  b.Window("RzCB_Auto", CT::kCheckBox, 141, 536, 91, kCheckHeight, "自动刷新数据")
      .Checked()
      .Click("RzCB_AutoClick");
  b.TabOrder({"PC_Main", "RzButton1", "RzButton2", "RzCB_Auto"});

  b.Into("PC_Main");
  b.Page("TS_FM", "报表封面");
  b.Page("TS_D", "施工费定案");
  b.Page("TS_T", "设计费定案");
  b.Page("TS_CS", "初步审核");
  b.TabOrder({"TS_FM", "TS_D", "TS_T", "TS_CS"});
}

// Report cover: one column of fields, each row label ending at Left 261.
void AddCoverPage(Builder& b) {
  constexpr int kRight = 261;
  b.Into("TS_FM");
  b.Field("T_46", 96, 15, 545, EK::kInput, Align::kCenter).Text("澄川通信公司审计部驻柳岸分公司审计室");
  b.Field("T_47", 96, 46, 545, EK::kInput, Align::kCenter).Text("审计报告");
  b.RightLabel("T_48", "工程总造价：", kRight, 102);
  b.Field("T_48", 279, 102, 361, EK::kComputed, Align::kLeft);
  b.RightLabel("T_49", "其中：一、建筑安装工程投资：", kRight, 138);
  b.Field("T_49", 279, 138, 361, EK::kComputed, Align::kLeft);
  b.RightLabel("T_50", "1、支付施工单位工程款：", kRight, 174);
  b.Field("T_50", 279, 174, 290, EK::kInput, Align::kLeft).Change("T_50Change");
  b.RightLabel("T_51", "2、公司甲供材料费：", kRight, 211);
  b.Field("T_51", 279, 211, 290, EK::kInput, Align::kLeft).Change("T_51Change");
  b.RightLabel("T_52", "二、在安装设备投资：", kRight, 247);
  b.Field("T_52", 279, 247, 361, EK::kMarkedInput, Align::kLeft).Change("T_52Change");
  b.RightLabel("T_53", "三：待摊投资：", kRight, 284);
  b.Field("T_53", 279, 284, 361, EK::kComputed, Align::kLeft);
  b.RightLabel("T_54", "1、征地及补偿费：", kRight, 320);
  b.Field("T_54", 279, 320, 290, EK::kMarkedInput, Align::kLeft).Change("T_54Change");
  b.RightLabel("T_55", "2、勘察设计费：", kRight, 356);
  b.Field("T_55", 279, 356, 290, EK::kInput, Align::kLeft).Change("T_55Change");
  b.RightLabel("T_56", "3、资本化借款利息：", kRight, 393);
  b.Field("T_56", 279, 393, 290, EK::kMarkedInput, Align::kLeft).Change("T_56Change");
  b.RightLabel("T_57", "预转固金额：", kRight, 429);
  b.Field("T_57", 279, 429, 361, EK::kMarkedInput, Align::kLeft);
  b.TabOrder({"T_46", "T_47", "T_48", "T_49", "T_50", "T_51", "T_52", "T_53", "T_54", "T_55",
              "T_56", "T_57"});
}

// Construction-fee determination: submitted, first-review and auditor columns.
void AddFeePage(Builder& b) {
  constexpr int kS = 130, kO = 373, kA = 616;  // the columns' field edges
  constexpr int kW = 100;                      // field width unless the row says otherwise
  b.Into("TS_D");
  b.Frame("Frame", 5, 10, 723, 336);
  b.VLine("Line1", 242, 10, 336);
  b.VLine("Line2", 484, 10, 336);
  b.Header("Head1", "施工单位送审", 5, 242, 24);
  b.Header("Head2", "建设单位初审", 242, 484, 24);
  b.Header("Head3", "审计单位审定", 484, 728, 24);

  b.Caption("D_1", "合 计", kS, 45).Bold();
  b.Field("D_1", kS, 45, kW, EK::kComputed);
  b.Caption("D_9", "合 计", kO, 45).Bold();
  b.Field("D_9", kO, 45, kW, EK::kComputed);
  b.Caption("T_7", "合计工程款", kA, 45).Bold();
  b.Field("T_7", kA, 45, kW, EK::kComputed);

  b.Caption("D_10", "实付施工费(元)", kO, 75);
  b.Field("D_10", kO, 75, kW, EK::kComputed);
  b.Caption("T_8", "实付施工费(元)", kA, 75);
  b.Field("T_8", kA, 75, kW, EK::kComputed);

  b.Caption("D_2", "施工费(元)", kS, 106);
  b.Field("D_2", kS, 106, kW, EK::kInput).Change("D_2Change");
  b.Caption("D_11", "应付施工费(元)", kO, 107);
  b.Field("D_11", kO, 107, 95, EK::kInput).Change("D_11Change");
  b.Caption("T_9", "应付施工费(元)", kA, 107);
  b.Field("T_9", kA, 107, 95, EK::kInput).Change("T_9Change");

  b.Caption("Of", "其中：", kS, 137).Heads("D_12");
  b.Caption("D_12", "材料差异(元)", kO, 137);
  b.Field("D_12", kO, 137, 95, EK::kInput).Change("D_12Change");
  b.Caption("T_10", "材料差异(元)", kA, 137);
  b.Field("T_10", kA, 137, 95, EK::kInput).Change("T_10Change");

  b.Caption("D_3", "自购材料(元)", kS, 167);
  b.Field("D_3", kS, 167, kW, EK::kInput).Change("D_3Change");
  b.Caption("T_1", "自购材料(元)", kO, 167);
  b.Field("T_1", kO, 167, kW, EK::kInput).Change("T_1Change");
  b.Caption("T_11", "自购材料(元)", kA, 167);
  b.Field("T_11", kA, 167, kW, EK::kInput).Change("T_11Change");

  b.Caption("D_4", "辅材费(元)", kS, 197);
  b.Field("D_4", kS, 197, kW, EK::kInput).Change("D_4Change");
  b.Caption("T_2", "辅材费(元)", kO, 197);
  b.Field("T_2", kO, 197, kW, EK::kInput).Change("T_2Change");
  b.Caption("T_12", "辅材费(元)", kA, 197);
  b.Field("T_12", kA, 197, kW, EK::kInput).Change("T_12Change");

  b.Caption("D_5", "税  金(元)", kS, 227);
  b.Field("D_5", kS, 227, kW, EK::kInput).Change("D_5Change");
  b.Caption("T_3", "税  金(元)", kO, 227);
  b.Field("T_3", kO, 227, kW, EK::kInput).Change("T_3Change");
  b.Caption("T_13", "税  金(元)", kA, 227);
  b.Field("T_13", kA, 227, kW, EK::kInput).Change("T_13Change");

  b.Caption("D_6", "其他费(元)", kS, 257);
  b.Field("D_6", kS, 257, kW, EK::kInput).Change("D_6Change");
  b.Caption("T_4", "其他费(元)", kO, 257);
  b.Field("T_4", kO, 257, kW, EK::kInput).Change("T_4Change");
  b.Caption("T_14", "其他费(元)", kA, 257);
  b.Field("T_14", kA, 257, kW, EK::kInput).Change("T_14Change");

  // The worker-day heading stands at each column's left, between its two rows.
  b.Text("Days1", "施工工日", 5 + 6, 305).Heads("D_7");
  b.Text("Days2", "施工工日", 242 + 6, 305).Heads("T_5");
  b.Text("Days3", "施工工日", 484 + 6, 305).Heads("T_15");
  b.Caption("D_7", "技工日(个)", kS, 286);
  b.Field("D_7", kS, 286, kW, EK::kInput);
  b.Caption("T_5", "技工日(个)", kO, 286);
  b.Field("T_5", kO, 286, kW, EK::kInput);
  b.Caption("T_15", "技工日(个)", kA, 286);
  b.Field("T_15", kA, 286, kW, EK::kInput);

  b.Caption("D_8", "普工日(个)", kS, 317);
  b.Field("D_8", kS, 317, kW, EK::kInput);
  b.Caption("T_6", "普工日(个)", kO, 318);
  b.Field("T_6", kO, 318, kW, EK::kInput);
  b.Caption("T_16", "普工日(个)", kA, 318);
  b.Field("T_16", kA, 318, kW, EK::kInput);

  b.Field("T_42", 187, 359, 150, EK::kHidden);
  b.Field("T_43", 563, 359, 120, EK::kHidden);

  b.TabOrder({"D_1", "D_2", "D_3", "D_4", "D_5", "D_6", "D_7", "D_8",
              "D_9", "D_12", "D_10", "D_11", "T_1", "T_2", "T_3", "T_4", "T_5", "T_6",
              "T_7", "T_8", "T_9", "T_10", "T_11", "T_12", "T_13", "T_14", "T_15", "T_16",
              "T_42", "T_43"});
}

// Design-fee determination: only the totals show in the designer and first-review columns; the
// rest of those columns are hidden fields that still load, save and calculate.
void AddDesignPage(Builder& b) {
  constexpr int kS = 116, kO = 351, kA = 595;  // the columns' field edges
  constexpr int kW = 120, kRouteW = 100;
  constexpr int kRowCaption = 517;  // the row captions stand once, left of the auditor column
  b.Into("TS_T");
  b.Frame("Frame", 5, 10, 723, 336);
  b.VLine("Line1", 242, 10, 336);
  b.VLine("Line2", 484, 10, 336);
  b.Header("Head1", "设计单位送审", 5, 242, 28);
  b.Header("Head2", "建设单位初审", 242, 484, 28);
  b.Header("Head3", "审计单位审定", 484, 728, 28);

  b.Caption("T_17", "合计勘察设计费", kS, 53);
  b.Field("T_17", kS, 53, kW, EK::kMarkedInput);
  b.Caption("T_23", "合计勘察设计费", kO, 53);
  b.Field("T_23", kO, 53, kW, EK::kMarkedInput);
  b.Caption("T_29", "合计勘察设计费", kA, 53);
  b.Field("T_29", kA, 53, kW, EK::kTooltipInput);

  b.Text("Survey", "勘  察  费", kRowCaption, 104 + kLabelDrop).Captions("T_30");
  b.Field("T_18", kS, 104, kW, EK::kHidden).Change("T_18Change");
  b.Field("T_24", kO, 104, kW, EK::kHidden).Change("T_24Change");
  b.Field("T_30", kA, 104, kW, EK::kReadOnlyPlain).Change("T_30Change");

  b.Text("Route", "勘察路由(km)", kRowCaption, 157 + kLabelDrop).Captions("T_31");
  b.Field("T_19", kS, 157, kRouteW, EK::kHidden).KeyDown("T_19KeyDown");
  b.Field("T_25", kO, 157, kRouteW, EK::kHidden).KeyDown("T_25KeyDown");
  b.Field("T_31", kA, 157, kRouteW, EK::kInput).KeyDown("T_31KeyDown");
  b.Hint("RouteHint", "(输入完毕后回车)", kA, 157 + kEditHeight + 3);

  b.Text("Design", "设  计  费", kRowCaption, 209 + kLabelDrop).Captions("T_32");
  b.Field("T_20", kS, 209, kW, EK::kHidden).Change("T_20Change");
  b.Field("T_26", kO, 209, kW, EK::kHidden).Change("T_26Change");
  b.Field("T_32", kA, 209, kW, EK::kInput).Change("T_32Change");

  b.Text("Budget", "预算编制费", kRowCaption, 261 + kLabelDrop).Captions("T_33");
  b.Field("T_21", kS, 261, kW, EK::kHidden);
  b.Field("T_27", kO, 261, kW, EK::kHidden);
  b.Field("T_33", kA, 261, kW, EK::kInput).Change("T_33Change");

  b.Text("Install", "建  安  费", kRowCaption, 313 + kLabelDrop).Captions("T_34");
  b.Field("T_22", kS, 313, kW, EK::kHidden).Change("T_22Change");
  b.Field("T_28", kO, 313, kW, EK::kHidden).Change("T_28Change");
  b.Field("T_34", kA, 313, kW, EK::kInput).Change("T_34Change");

  // The caption line runs behind the coefficient combo: its blanks leave room for it.
  b.Text("Coef", "勘察设计费下浮系数                         %  建筑安装工程费", 224, 363);
  b.Combo("T_44", CT::kComboEdit, 352, 358, 117)
      .Items({"45", "65"})
      .Change("T_44Change")
      .KeyDown("T_44KeyDown")
      .DblClick("T_44DblClick");
  b.Field("T_JZAZ", 595, 359, 120, EK::kInput).Change("T_JZAZChange");

  b.Text("SurveyType", "勘察类型                   勘察费计算式", 99, 409);
  b.Text("DesignFormula", "设计费计算式", 261, 446);
  b.Hint("FormulaHint", "(修改完毕后回车)", 352, 471);
  b.Combo("RzCB_1", CT::kListCombo, 155, 405, 96)
      .Items({"通信管道", "长途线路", "市话线路"}, 0)
      .Select("RzCB_1Select");
  b.Field("T_KCF", 353, 404, 214, EK::kInput).KeyDown("T_KCFKeyDown");
  b.Field("RzE_KC", 565, 404, 36, EK::kComputed, Align::kCenter);
  b.Check("RzCB_KC", 607, 407, 79, "一阶段勘察").Click("RzCB_KCClick");
  b.Check("RzCB_YG", 635, 385, 79, "含乙供材料").Checked().Click("RzCB_YGClick");
  b.Field("T_SJF", 353, 442, 214, EK::kInput).KeyDown("T_SJFKeyDown");
  b.Check("RzCB_YJ", 607, 444, 67, "应急工程").Click("RzCB_YJClick");

  b.TabOrder({"T_17", "T_18", "T_19", "T_20", "T_21", "T_22",
              "T_23", "T_24", "T_25", "T_26", "T_27", "T_28",
              "T_29", "T_30", "T_31", "T_32", "T_33", "T_34",
              "T_JZAZ", "T_44", "RzCB_YJ", "T_SJF", "RzCB_1", "T_KCF", "RzCB_YG", "RzCB_KC",
              "RzE_KC"});
}

// Preliminary review: submitted and first-review columns.
void AddReviewPage(Builder& b) {
  constexpr int kS = 187, kO = 561;  // the columns' field edges
  constexpr int kW = 120;
  b.Into("TS_CS");
  b.Frame("Frame", 5, 10, 723, 375);
  b.VLine("Line1", 364, 10, 375);
  b.Header("Head1", "施工单位送审", 5, 364, 24);
  b.Header("Head2", "建设单位初审", 364, 728, 24);

  b.Caption("T_35", "合 计", kS, 47).Bold();
  b.Field("T_35", kS, 47, kW, EK::kComputed);
  b.Caption("TC_1", "合计工程款", kO, 47).Bold();
  b.Field("TC_1", kO, 47, kW, EK::kComputed);

  b.Caption("TC_2", "实付施工费(元)", kO, 79);
  b.Field("TC_2", kO, 79, kW, EK::kComputed);

  b.Caption("T_36", "施工费(元)", kS, 113);
  b.Field("T_36", kS, 113, kW, EK::kInput).Change("T_36Change");
  b.Caption("TC_3", "应付施工费(元)", kO, 114);
  b.Field("TC_3", kO, 114, 120, EK::kInput).Change("TC_3Change");

  b.Caption("Of", "其中：", kS, 147).Heads("TC_4");
  b.Caption("TC_4", "材料差异(元)", kO, 147);
  b.Field("TC_4", kO, 147, 120, EK::kInput).Change("TC_4Change");

  b.Caption("T_58", "自购材料费(元)", kS, 181);
  b.Field("T_58", kS, 181, kW, EK::kInput).Change("T_58Change");
  b.Caption("T_59", "自购材料费(元)", kO, 182);
  b.Field("T_59", kO, 182, kW, EK::kInput).Change("T_59Change");

  b.Caption("T_37", "辅材费(元)", kS, 216);
  b.Field("T_37", kS, 216, kW, EK::kInput).Change("T_37Change");
  b.Caption("Date_1", "辅材费(元)", kO, 217);
  b.Field("Date_1", kO, 217, kW, EK::kInput).Change("Date_1Change");

  b.Caption("T_38", "税  金(元)", kS, 250);
  b.Field("T_38", kS, 250, kW, EK::kInput).Change("T_38Change");
  b.Caption("Date_2", "税  金(元)", kO, 251);
  b.Field("Date_2", kO, 251, kW, EK::kInput).Change("Date_2Change");

  b.Caption("T_39", "其他费(元)", kS, 284);
  b.Field("T_39", kS, 284, kW, EK::kInput).Change("T_39Change");
  b.Caption("Date_3", "其他费(元)", kO, 285);
  b.Field("Date_3", kO, 285, kW, EK::kInput).Change("Date_3Change");

  // The worker-day heading stands at each column's left, between its two rows.
  b.Text("Days1", "施工工日", 5 + 6, 339).Heads("T_40");
  b.Text("Days2", "施工工日", 364 + 6, 339).Heads("Date_4");
  b.Caption("T_40", "技工日(个)", kS, 318);
  b.Field("T_40", kS, 318, kW, EK::kInput);
  b.Caption("Date_4", "技工日(个)", kO, 319);
  b.Field("Date_4", kO, 319, kW, EK::kInput);

  b.Caption("T_41", "普工日(个)", kS, 352);
  b.Field("T_41", kS, 352, kW, EK::kInput);
  b.Caption("Date_5", "普工日(个)", kO, 353);
  b.Field("Date_5", kO, 353, kW, EK::kInput);

  b.Field("T_45", kS, 396, kW, EK::kHidden);
  b.Field("Date_6", kO, 396, 114, EK::kHidden);

  b.TabOrder({"T_35", "T_36", "T_37", "T_38", "T_39", "T_40", "T_41",
              "TC_1", "TC_2", "TC_3", "TC_4", "Date_1", "Date_2", "Date_3", "Date_4", "Date_5",
              "T_45", "Date_6", "T_58", "T_59"});
}

std::vector<ControlSpec> BuildCatalogue() {
  Builder b;
  AddWindowChildren(b);
  AddCoverPage(b);
  AddFeePage(b);
  AddDesignPage(b);
  AddReviewPage(b);
  return b.Take();
}

}  // namespace

const std::vector<ControlSpec>& Catalogue() {
  // Built once and never changed: controls keep references into it.
  static const std::vector<ControlSpec> catalogue = BuildCatalogue();
  return catalogue;
}

const ControlSpec* FindSpec(std::string_view name) {
  // Keys view the catalogue's own names, which live as long as the catalogue.
  static const std::unordered_map<std::string_view, const ControlSpec*> index = [] {
    std::unordered_map<std::string_view, const ControlSpec*> map;
    for (const ControlSpec& spec : Catalogue()) map.emplace(spec.name, &spec);
    return map;
  }();
  const auto it = index.find(name);
  return it == index.end() ? nullptr : it->second;
}

namespace {

// The label of `role` that names `field`: built once, as the catalogue never changes.
const ControlSpec* LabelOf(LabelRole role, std::string_view field) {
  static const auto index = [] {
    std::unordered_map<std::string, const ControlSpec*> map;
    for (const ControlSpec& spec : Catalogue()) {
      if (spec.type != ControlType::kLabel || spec.labels.empty()) continue;
      map.emplace(std::to_string(static_cast<int>(spec.role)) + ":" + spec.labels, &spec);
    }
    return map;
  }();
  const auto it = index.find(std::to_string(static_cast<int>(role)) + ":" + std::string(field));
  return it == index.end() ? nullptr : it->second;
}

}  // namespace

const ControlSpec* RowCaptionOf(std::string_view field) {
  return LabelOf(LabelRole::kRowCaption, field);
}

const ControlSpec* RowHeadingOf(std::string_view field) {
  return LabelOf(LabelRole::kRowHeading, field);
}

std::vector<const ControlSpec*> ColumnHeaders(std::string_view page) {
  std::vector<const ControlSpec*> headers;
  for (const ControlSpec& spec : Catalogue()) {
    if (spec.parent == page && spec.role == LabelRole::kColumnHeader) headers.push_back(&spec);
  }
  std::stable_sort(headers.begin(), headers.end(),
                   [](const ControlSpec* a, const ControlSpec* b) { return a->left < b->left; });
  return headers;
}

const std::vector<std::string>& PageNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> pages;
    for (const ControlSpec& spec : Catalogue()) {
      if (spec.type == ControlType::kPage) pages.push_back(spec.name);
    }
    return pages;
  }();
  return names;
}

}  // namespace torva::form
