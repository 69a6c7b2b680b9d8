#include "gui/audit_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <iostream>
#include <vector>

#include "gui/control_binding.h"
#include "gui/page_control_view.h"
#include "gui/report_actions.h"
#include "gui/window_hints.h"
#include "report/chinese_face.h"
#include "report/report_print.h"

namespace torva::gui {

namespace {

constexpr int kClientWidth = 734;
constexpr int kClientHeight = 573;
constexpr int kFontPixels = 12;
const QColor kMarkedPink(255, 221, 221);

// Raize-style buttons: light face, dark blue frame, lit on hover.
constexpr const char* kButtonStyle =
    "QPushButton { background-color: rgb(244,244,240); border: 1px solid rgb(0,60,116);"
    " border-radius: 2px; }"
    "QPushButton:hover { background-color: rgb(255,244,214); border-color: rgb(240,155,20); }"
    "QPushButton:pressed { background-color: rgb(226,226,220); }"
    "QPushButton:focus { border-width: 2px; }";

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

Qt::Alignment ToQtAlignment(form::Align align) {
  switch (align) {
    case form::Align::kLeft:
      return Qt::AlignLeft | Qt::AlignVCenter;
    case form::Align::kRight:
      return Qt::AlignRight | Qt::AlignVCenter;
    case form::Align::kCenter:
      return Qt::AlignHCenter | Qt::AlignVCenter;
  }
  return Qt::AlignLeft | Qt::AlignVCenter;
}

// A caption whose blanks position its words: the layout was drawn in 宋体, where a blank and every
// ASCII character take half the 12-pixel width of a Chinese character, and blanks leave room for the
// controls that stand inside a caption line ("勘察设计费下浮系数      %  建筑安装工程费"). Each word is
// drawn where 宋体 would put it, whatever font stands in for it.
class SpacedLabel : public QLabel {
 public:
  SpacedLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    int x = 0;
    QString word;
    int word_x = 0;
    for (const QChar c : text) {
      if (c == QLatin1Char(' ')) {
        if (!word.isEmpty()) words_.push_back({word_x, word});
        word.clear();
      } else {
        if (word.isEmpty()) word_x = x;
        word += c;
      }
      x += c.unicode() < 0x80 ? kFontPixels / 2 : kFontPixels;
    }
    if (!word.isEmpty()) words_.push_back({word_x, word});
    grid_width_ = x;
  }

  // Width from the left edge to the end of the last word, in the font actually used.
  int NaturalWidth() const {
    const QFontMetrics metrics(font());
    int width = 0;
    for (const Word& w : words_) width = std::max(width, w.x + metrics.horizontalAdvance(w.text));
    return width;
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    const int origin = (alignment() & Qt::AlignRight) ? width() - std::max(grid_width_, NaturalWidth()) : 0;
    for (const Word& w : words_) {
      painter.drawText(QRect(origin + w.x, 0, width(), height()), Qt::AlignLeft | Qt::AlignVCenter,
                       w.text);
    }
  }

 private:
  struct Word {
    int x;
    QString text;
  };
  std::vector<Word> words_;
  int grid_width_ = 0;
};

void SetBase(QWidget* widget, const QColor& color) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::Base, color);
  widget->setPalette(palette);
}

}  // namespace

QFont AuditWindow::FormFont() {
  // The layout was drawn with 宋体. Where it is missing, another Song (Ming) face keeps its look;
  // failing that, any installed Chinese font keeps the texts readable at the same size.
  static const char* const kPreferred[] = {
      "宋体",           "SimSun",           "NSimSun",           "AR PL UMing CN",
      "AR PL SungtiL GB", "Noto Serif CJK SC", "Source Han Serif SC", "WenQuanYi Zen Hei",
      "Noto Sans CJK SC"};
  const QStringList installed = QFontDatabase::families();
  QString family;
  for (const char* name : kPreferred) {
    if (installed.contains(QString::fromUtf8(name), Qt::CaseInsensitive)) {
      family = QString::fromUtf8(name);
      break;
    }
  }
  if (family.isEmpty()) {
    const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
    if (!chinese.isEmpty()) family = chinese.first();
  }
  QFont font;
  if (!family.isEmpty()) {
    font.setFamily(family);
  } else {
    // None installed: the font still names every face the form would take.
    QStringList wanted;
    for (const char* name : kPreferred) wanted << QString::fromUtf8(name);
    font.setFamilies(wanted);
  }
  font.setPixelSize(kFontPixels);
  font.setWeight(QFont::Normal);
  // At 12 pixels a Song face is drawn from its hand-tuned bitmaps (as 宋体 is), which stay crisp;
  // smoothed outlines blur its thin strokes.
  font.setStyleStrategy(QFont::NoAntialias);
  return font;
}

AuditWindow::AuditWindow(audit::TfrmMain& frm, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      frm_(frm) {
  setObjectName("frmMain");
  setWindowTitle(QString::fromUtf8("审计信息"));
  setFont(FormFont());
  if (!report::DrawsChinese(font())) {
    std::cerr << "torva: " << report::MissingChineseFaceText(font())
              << "; the form's texts show as empty boxes\n";
  }
  setFixedSize(kClientWidth, kClientHeight);
  for (const form::ControlSpec& spec : form::Catalogue()) {
    QWidget* parent_widget = this;
    if (!spec.parent.empty()) {
      const auto it = widgets_.find(spec.parent);
      if (it == widgets_.end()) continue;  // the catalogue lists parents before their children
      parent_widget = it->second;
    }
    if (QWidget* widget = BuildControl(spec, parent_widget)) {
      widget->setObjectName(ToQ(spec.name));
      widgets_.emplace(spec.name, widget);
    }
  }
  SetTabOrders();
  CentreOnScreen();
  // Ctrl+P and Ctrl+E: the report of the form as it stands, printed or as a workbook.
  AddReportShortcuts(frm_, this);
}

AuditWindow::~AuditWindow() = default;

QWidget* AuditWindow::ControlWidget(std::string_view name) const {
  const auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second;
}

QWidget* AuditWindow::BuildControl(const form::ControlSpec& spec, QWidget* parent) {
  form::FormModel& model = frm_.model();
  const QRect geometry(spec.left, spec.top, spec.width, spec.height);
  switch (spec.type) {
    case form::ControlType::kPageControl: {
      page_control_ = new PageControlView(parent);
      page_control_->setGeometry(geometry);
      return page_control_;
    }
    case form::ControlType::kPage: {
      auto* view = qobject_cast<PageControlView*>(parent);
      if (view == nullptr) return nullptr;
      auto* page = new QWidget(view);
      page->setGeometry(geometry);
      view->AddPage(page, ToQ(spec.caption));
      // Bound once the last page exists, so the model's active page can be shown.
      if (view->count() == static_cast<int>(form::PageNames().size())) {
        BindPageControl(frm_, model.page_control(), view);
      }
      return page;
    }
    case form::ControlType::kEdit:
      return BuildEdit(spec, parent);
    case form::ControlType::kComboEdit: {
      form::ComboEdit* combo = model.FindComboEdit(spec.name);
      if (combo == nullptr) return nullptr;
      auto* widget = new QComboBox(parent);
      widget->setGeometry(geometry);
      BindComboEdit(frm_, *combo, widget);
      ForwardKeyAndDoubleClick(frm_, *combo, widget);
      return widget;
    }
    case form::ControlType::kListCombo: {
      form::ListCombo* list = model.FindListCombo(spec.name);
      if (list == nullptr) return nullptr;
      auto* widget = new QComboBox(parent);
      widget->setGeometry(geometry);
      BindListCombo(frm_, *list, widget);
      return widget;
    }
    case form::ControlType::kCheckBox: {
      form::CheckBox* box = model.FindCheckBox(spec.name);
      if (box == nullptr) return nullptr;
      auto* widget = new ModelCheckBox(ToQ(spec.caption), parent);
      widget->setGeometry(geometry);
      BindCheckBox(frm_, *box, widget);
      return widget;
    }
    case form::ControlType::kButton: {
      form::Button* button = model.FindButton(spec.name);
      if (button == nullptr) return nullptr;
      auto* widget = new QPushButton(ToQ(spec.caption), parent);
      widget->setGeometry(geometry);
      widget->setStyleSheet(kButtonStyle);
      BindButton(frm_, *button, widget);
      return widget;
    }
    case form::ControlType::kLabel:
      return BuildLabel(spec, parent);
    case form::ControlType::kBevel: {
      auto* frame = new QFrame(parent);
      frame->setFrameStyle((spec.bevel == form::BevelShape::kFrame ? QFrame::Box : QFrame::VLine) |
                           QFrame::Sunken);
      frame->setGeometry(geometry);
      // Drawn below the fields and labels that sit inside it.
      frame->lower();
      return frame;
    }
  }
  return nullptr;
}

QWidget* AuditWindow::BuildEdit(const form::ControlSpec& spec, QWidget* parent) {
  form::Edit* edit = frm_.model().FindEdit(spec.name);
  if (edit == nullptr) return nullptr;
  auto* widget = new QLineEdit(parent);
  widget->setGeometry(spec.left, spec.top, spec.width, spec.height);
  widget->setAlignment(ToQtAlignment(spec.align));
  const QColor tooltip = QApplication::palette().color(QPalette::ToolTipBase);
  switch (spec.kind) {
    case form::EditKind::kInput:
      break;
    case form::EditKind::kComputed:
      widget->setReadOnly(true);
      SetBase(widget, tooltip);
      break;
    case form::EditKind::kMarkedInput:
      SetBase(widget, kMarkedPink);
      break;
    case form::EditKind::kHidden:
      // Present, bound and never shown: it loads, saves and calculates like any other field.
      widget->setReadOnly(true);
      widget->setVisible(false);
      break;
    case form::EditKind::kReadOnlyPlain:
      widget->setReadOnly(true);
      TintWhileFocused(widget, kMarkedPink);
      break;
    case form::EditKind::kTooltipInput:
      SetBase(widget, tooltip);
      break;
  }
  BindEdit(frm_, *edit, widget);
  ForwardKeyAndDoubleClick(frm_, *edit, widget);
  // The fee expressions run longer than their fields: the whole text shows as the tooltip.
  if (spec.name == "T_SJF" || spec.name == "T_KCF") {
    widget->setToolTip(widget->text());
    connect(widget, &QLineEdit::textChanged, widget, [widget](const QString& text) {
      widget->setToolTip(text);
    });
  }
  return widget;
}

QWidget* AuditWindow::BuildLabel(const form::ControlSpec& spec, QWidget* parent) {
  const QString text = ToQ(spec.caption);
  auto* spaced = text.contains(QLatin1Char(' ')) ? new SpacedLabel(text, parent) : nullptr;
  QLabel* label = spaced != nullptr ? spaced : new QLabel(text, parent);
  QFont font = label->font();
  font.setBold(spec.bold);
  label->setFont(font);
  if (spec.font_color != 0) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(spec.font_color));
    label->setPalette(palette);
  }
  label->setAlignment(ToQtAlignment(spec.align));
  // The catalogue sizes labels for 宋体; a fallback font may run wider. Grow away from the anchored
  // edge, so that a right-aligned row label still ends where its field begins.
  const QFontMetrics metrics(font);
  const int natural =
      spaced != nullptr ? spaced->NaturalWidth() : metrics.horizontalAdvance(text);
  const int width = std::max(spec.width, natural + 2);
  const int height = std::max(spec.height, metrics.height());
  const int left = spec.align == form::Align::kRight ? spec.left + spec.width - width : spec.left;
  label->setGeometry(left, spec.top, width, height);
  return label;
}

void AuditWindow::SetTabOrders() {
  auto in_tab_order = [](const std::string& parent) {
    std::vector<const form::ControlSpec*> specs;
    for (const form::ControlSpec& spec : form::Catalogue()) {
      if (spec.parent == parent && spec.tab_order >= 0) specs.push_back(&spec);
    }
    std::stable_sort(specs.begin(), specs.end(),
                     [](const auto* a, const auto* b) { return a->tab_order < b->tab_order; });
    return specs;
  };
  std::vector<QWidget*> chain;
  for (const form::ControlSpec* spec : in_tab_order("")) {
    QWidget* widget = ControlWidget(spec->name);
    if (widget == nullptr) continue;
    chain.push_back(widget);
    if (widget == page_control_) {
      // The page control's tabs first, then the controls of each page in the page's own order;
      // Qt skips those of the pages not shown.
      for (const std::string& page : form::PageNames()) {
        for (const form::ControlSpec* child : in_tab_order(page)) {
          if (QWidget* w = ControlWidget(child->name)) chain.push_back(w);
        }
      }
    }
  }
  for (size_t i = 1; i < chain.size(); ++i) QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void AuditWindow::CentreOnScreen() {
  QScreen* screen = this->screen();
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  // The whole window is centred, its frame included; move() places the frame's corner. Until the
  // window manager has framed the window, the frame is the client area.
  const QRect outer = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter,
                                          frameGeometry().size(), screen->availableGeometry());
  move(outer.topLeft());
}

void AuditWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::WindowTitleChange) GiveLegacyTitle(this);
  // The frame's size is known once the window manager has framed and activated the window.
  if (event->type() == QEvent::ActivationChange && isActiveWindow() && !centred_in_frame_) {
    centred_in_frame_ = true;
    if (frameGeometry().size() != size()) CentreOnScreen();
  }
}

void AuditWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (show_started_) return;
  show_started_ = true;
  // Before the window is mapped, so that the window manager frames it without a maximise button.
  AskForNoMaximise(this);
  GiveLegacyTitle(this);
  // FormShow may ask questions, report failures and even close the form: let the window appear
  // first and run it from the event loop.
  QTimer::singleShot(0, this, [this] {
    frm_.Show();
    // Lets whoever drives the window from outside (automation, tests) see that loading is over.
    setProperty(kFormShownProperty, true);
  });
}

void AuditWindow::closeEvent(QCloseEvent* event) {
  if (frm_.ended()) {
    event->accept();
    return;
  }
  // The close box and the system menu take the path of the button "关闭".
  in_close_event_ = true;
  const bool ended = frm_.RequestClose();
  in_close_event_ = false;
  if (ended) {
    event->accept();
  } else {
    event->ignore();
  }
}

void AuditWindow::OnFormEnded() {
  // Within closeEvent Qt hides the window itself once the event is accepted.
  if (!in_close_event_) hide();
  emit formEnded();
}

}  // namespace torva::gui
