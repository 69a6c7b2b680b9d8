#include "gui/page_control_view.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionFocusRect>

#include <initializer_list>

namespace torva::gui {

namespace {

constexpr int kSlant = 20;         // horizontal run of each slanted side
constexpr int kTabStep = 176;      // distance between the left ends of neighbouring tabs
constexpr int kFirstTabLeft = 2;
constexpr int kBarHeight = 3;      // the active tab's highlight bar

const QColor kPageColor(247, 246, 245);
const QColor kFrameColor(145, 155, 156);
const QColor kBarColor(240, 155, 20);
const QColor kInactiveTabColor(226, 228, 226);
const QColor kInactiveTextColor(70, 70, 70);

}  // namespace

PageControlView::PageControlView(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  // Ctrl+Tab and Ctrl+PgDn turn to the next page, Ctrl+Shift+Tab and Ctrl+PgUp to the previous
  // one, from anywhere in the window, as page controls do on Windows. Shift+Tab reaches us as
  // Backtab on some platforms and as Tab with Shift on others: both are taken.
  const auto turn = [this](std::initializer_list<QKeySequence> keys, int step) {
    for (const QKeySequence& key : keys) {
      auto* shortcut = new QShortcut(key, this);
      connect(shortcut, &QShortcut::activated, this, [this, step] {
        if (count() > 0) UserPick((current_ + count() + step) % count());
      });
    }
  };
  turn({QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)}, 1);
  turn({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
        QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
       -1);
}

void PageControlView::AddPage(QWidget* page, const QString& caption) {
  pages_.push_back({page, caption});
  page->setAutoFillBackground(true);
  QPalette palette = page->palette();
  palette.setColor(QPalette::Window, kPageColor);
  page->setPalette(palette);
  if (current_ < 0) {
    current_ = 0;
  } else {
    page->hide();
  }
  update();
}

QPolygon PageControlView::TabShape(int index) const {
  const int left = kFirstTabLeft + index * kTabStep;
  const int right = left + kTabWidth - 1;
  QPolygon shape;
  shape << QPoint(left, kTabHeight) << QPoint(left + kSlant, 0) << QPoint(right - kSlant, 0)
        << QPoint(right, kTabHeight);
  return shape;
}

void PageControlView::SetCurrentIndex(int index) {
  if (index < 0 || index >= count() || index == current_) return;
  QWidget* old_page = current_ >= 0 ? pages_[current_].widget : nullptr;
  // A focused control on the page being left would keep the keyboard on an invisible page.
  const bool had_focus = old_page != nullptr && old_page->isAncestorOf(QApplication::focusWidget());
  current_ = index;
  pages_[current_].widget->show();
  if (old_page != nullptr) old_page->hide();
  if (had_focus) setFocus(Qt::OtherFocusReason);
  update();
}

void PageControlView::UserPick(int index) {
  if (index < 0 || index >= count() || index == current_) return;
  SetCurrentIndex(index);
  emit currentChanged(index);
}

void PageControlView::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  // The frame around the pages, starting at the tabs' base line.
  painter.setPen(kFrameColor);
  painter.setBrush(kPageColor);
  painter.drawRect(0, kTabHeight, width() - 1, height() - kTabHeight - 1);

  painter.setRenderHint(QPainter::Antialiasing, true);
  // Inactive tabs right to left, so that each overlaps its right neighbour, the active one on top.
  for (int i = count() - 1; i >= 0; --i) {
    if (i != current_) PaintTab(painter, i, false);
  }
  if (current_ >= 0) PaintTab(painter, current_, true);
}

void PageControlView::PaintTab(QPainter& painter, int index, bool active) const {
  const QPolygon shape = TabShape(index);
  painter.setPen(Qt::NoPen);
  painter.setBrush(active ? kPageColor : kInactiveTabColor);
  // The active tab also covers the frame line below it, so it opens onto its page.
  painter.drawPolygon(active ? shape.translated(0, 1) : shape);
  painter.setPen(kFrameColor);
  painter.drawPolyline(shape);
  if (active) {
    const QPoint top_left = shape.point(1);
    const QPoint top_right = shape.point(2);
    painter.fillRect(QRect(QPoint(top_left.x() + 1, 1), QPoint(top_right.x() - 1, kBarHeight)),
                     kBarColor);
  }
  const QRect text_rect(shape.point(1).x(), kBarHeight, shape.point(2).x() - shape.point(1).x(),
                        kTabHeight - kBarHeight);
  painter.setPen(active ? palette().color(QPalette::WindowText) : kInactiveTextColor);
  painter.drawText(text_rect, Qt::AlignCenter, pages_[index].caption);
  if (active && hasFocus()) {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = painter.fontMetrics()
                      .boundingRect(text_rect, Qt::AlignCenter, pages_[index].caption)
                      .adjusted(-3, -1, 3, 1);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
  }
}

void PageControlView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  const QPoint at = event->position().toPoint();
  // Hit-test in paint order reversed: the active tab lies on top, then left before right.
  if (current_ >= 0 && TabShape(current_).containsPoint(at, Qt::OddEvenFill)) return;
  for (int i = 0; i < count(); ++i) {
    if (TabShape(i).containsPoint(at, Qt::OddEvenFill)) {
      UserPick(i);
      return;
    }
  }
  QWidget::mousePressEvent(event);
}

void PageControlView::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Left && current_ > 0) {
    UserPick(current_ - 1);
  } else if (event->key() == Qt::Key_Right && current_ + 1 < count()) {
    UserPick(current_ + 1);
  } else {
    QWidget::keyPressEvent(event);
  }
}

}  // namespace torva::gui
