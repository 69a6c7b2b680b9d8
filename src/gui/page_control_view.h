// PageControlView: the form's page control. Double-slanted tabs, 200 x 25 pixels each, overlapping
// by their slant so that the four fit the 733-pixel width; the active tab carries an orange bar and
// opens onto its page. Qt's tab widget cannot draw overlapping slanted tabs, hence our own widget.
#pragma once

#include <QColor>
#include <QPolygon>
#include <QString>
#include <QWidget>

#include <vector>

namespace torva::gui {

class PageControlView : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kTabWidth = 200;
  static constexpr int kTabHeight = 25;

  explicit PageControlView(QWidget* parent = nullptr);

  // Adds `page` (already placed at its geometry, a child of this view) with its tab caption. The
  // first page added is current.
  void AddPage(QWidget* page, const QString& caption);

  int count() const { return static_cast<int>(pages_.size()); }
  int current_index() const { return current_; }
  QWidget* page(int index) const { return pages_.at(index).widget; }
  // The polygon of tab `index` (for hit tests and tests).
  QPolygon TabShape(int index) const;

  // Shows page `index`; emits nothing (the model set it).
  void SetCurrentIndex(int index);

 signals:
  // The user picked another page (click or arrow keys).
  void currentChanged(int index);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  struct Page {
    QWidget* widget;
    QString caption;
  };

  void UserPick(int index);
  void PaintTab(class QPainter& painter, int index, bool active) const;

  std::vector<Page> pages_;
  int current_ = -1;
};

}  // namespace torva::gui
