// The memory floor of the window mode: the shortest path to the same picture. A plain Qt window
// with one stock widget per control of the catalogue (edits, combo boxes, check boxes, buttons,
// labels, frames, the four pages in a tab widget) at its place, filled from the SQLite floor
// (floor.h) after its open at stage "4", each page grabbed to a PNG on the offscreen platform, then
// the floor's close. No binding layer, no model, no observers. `make bench` runs it as a child and
// reads its peak resident memory, beside the same for `torva-host --snapshot`.
//
//   qt_floor_probe PROJECT_DB HOST_FOLDER OUT_DIR
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontDatabase>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>

#include "floor.h"
#include "form/catalogue.h"

namespace {

using torva::form::ControlSpec;
using torva::form::ControlType;

QString ToQ(const std::string& text) { return QString::fromStdString(text); }

QWidget* Build(const ControlSpec& spec, QWidget* parent) {
  QWidget* widget = nullptr;
  switch (spec.type) {
    case ControlType::kPageControl:
      widget = new QTabWidget(parent);
      break;
    case ControlType::kPage: {
      auto* page = new QWidget();
      static_cast<QTabWidget*>(parent)->addTab(page, ToQ(spec.caption));
      return page;
    }
    case ControlType::kEdit:
      widget = new QLineEdit(ToQ(spec.default_text), parent);
      break;
    case ControlType::kComboEdit:
    case ControlType::kListCombo: {
      auto* combo = new QComboBox(parent);
      combo->setEditable(spec.type == ControlType::kComboEdit);
      for (const std::string& item : spec.items) combo->addItem(ToQ(item));
      widget = combo;
      break;
    }
    case ControlType::kCheckBox: {
      auto* box = new QCheckBox(ToQ(spec.caption), parent);
      box->setChecked(spec.checked);
      widget = box;
      break;
    }
    case ControlType::kButton:
      widget = new QPushButton(ToQ(spec.caption), parent);
      break;
    case ControlType::kLabel:
      widget = new QLabel(ToQ(spec.caption), parent);
      break;
    case ControlType::kBevel: {
      auto* frame = new QFrame(parent);
      frame->setFrameShape(QFrame::Box);
      widget = frame;
      break;
    }
  }
  widget->setGeometry(spec.left, spec.top, spec.width, spec.height);
  if (spec.type == ControlType::kEdit && spec.kind == torva::form::EditKind::kHidden)
    widget->hide();
  return widget;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: qt_floor_probe PROJECT_DB HOST_FOLDER OUT_DIR\n");
    return 2;
  }
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  const torva_bench::FloorContext context = torva_bench::ProbeContext(argv[1], argv[2]);
  const QString out = QString::fromLocal8Bit(argv[3]);

  QApplication app(argc, argv);
  const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
  QFont font = app.font();
  if (!chinese.isEmpty()) font.setFamily(chinese.first());
  font.setPixelSize(12);
  app.setFont(font);

  QWidget window;
  window.setFixedSize(734, 573);
  std::map<std::string, QWidget*> widgets;
  QTabWidget* pages = nullptr;
  for (const ControlSpec& spec : torva::form::Catalogue()) {
    QWidget* parent = &window;
    if (!spec.parent.empty()) {
      const auto it = widgets.find(spec.parent);
      if (it == widgets.end()) continue;
      parent = it->second;
    }
    QWidget* widget = Build(spec, parent);
    widgets.emplace(spec.name, widget);
    if (spec.type == ControlType::kPageControl) pages = static_cast<QTabWidget*>(widget);
  }

  try {
    torva_bench::FloorForm floor(context);
    floor.Open();
    for (int field = 0; field < torva_bench::kFieldCount; ++field) {
      const auto it = widgets.find(torva_bench::FieldName(field));
      if (it == widgets.end()) continue;
      if (auto* edit = qobject_cast<QLineEdit*>(it->second)) {
        edit->setText(ToQ(floor.Text(field)));
      } else if (auto* combo = qobject_cast<QComboBox*>(it->second)) {
        combo->setEditText(ToQ(floor.Text(field)));
      }
    }
    window.show();
    QDir().mkpath(out);
    for (int i = 0; pages != nullptr && i < pages->count(); ++i) {
      pages->setCurrentIndex(i);
      QApplication::processEvents();
      window.grab().save(QDir(out).filePath(QString("page%1.png").arg(i)), "PNG");
    }
    window.close();
    QApplication::processEvents();
    floor.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "qt_floor_probe: %s\n", e.what());
    return 1;
  }
  return 0;
}
