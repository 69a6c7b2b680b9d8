// Helpers of the GUI tests: a host folder and a project database per test, a watcher that answers
// the form's message boxes as a person would, and waiting with the event loop running.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/connection_string.h"
#include "gui/audit_window.h"
#include "gui/form_session.h"

namespace torva::gui_test {

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path.string());
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Runs the SQL script on the file as another program would: torva-sqlexec, in a process of its
// own (creating the file).
inline void ExecSql(const std::string& db_path, const std::string& sql) {
  const std::filesystem::path script =
      std::filesystem::temp_directory_path() /
      ("torva-gui-" + std::to_string(std::random_device()()) + ".sql");
  std::ofstream(script, std::ios::binary) << sql;
  const std::string command = "'" + std::string(TORVA_BINARY_DIR) + "/torva-sqlexec' '" +
                              db_path + "' '" + script.string() + "' 2>&1";
  std::string output;
  int status = -1;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    status = pclose(pipe);
  }
  std::filesystem::remove(script);
  if (status != 0) throw std::runtime_error(db_path + ": " + output);
}

// The project file through a connection of the storage interface, as the form opens it.
inline std::unique_ptr<db::Connection> ConnectTo(const std::string& db_path) {
  return db::OpenConnection(db::JetConnectionString(db_path));
}

// A scratch host folder with the fee standard in Data/GL.mgl, and a project database beside it.
class TestProject {
 public:
  // `extra_sql` runs after the project schema (saved fields, budget rows).
  explicit TestProject(const std::string& extra_sql = "") {
    std::random_device random;
    folder_ = std::filesystem::temp_directory_path() /
              ("torva-gui-" + std::to_string(random()) + "-" + std::to_string(random()));
    std::filesystem::create_directories(folder_ / "Data");
    std::filesystem::copy_file(std::filesystem::path(TORVA_BINARY_DIR) / "Data" / "GL.mgl",
                               folder_ / "Data" / "GL.mgl");
    ExecSql(db_path(), ReadFile(std::filesystem::path(TORVA_SOURCE_DIR) / "data" /
                                "project_schema.sql") +
                           extra_sql);
  }
  ~TestProject() {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
  TestProject(const TestProject&) = delete;
  TestProject& operator=(const TestProject&) = delete;

  // Ends in '/', as the form expects its host folder.
  std::string host_folder() const { return folder_.string() + "/"; }
  std::string db_path() const { return (folder_ / "project.db").string(); }
  std::filesystem::path folder() const { return folder_; }

 private:
  std::filesystem::path folder_;
};

// Saved state that keeps the opening quiet: no budget refresh, so nothing asks a question.
inline constexpr const char* kNoAutoRefreshSql =
    "INSERT INTO G_GCCS (GCID, CSName, S_Val) VALUES (-1, 'Auto', '0');";

struct SeenDialog {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QMessageBox::StandardButtons buttons;
  Qt::WindowModality modality = Qt::NonModal;
  QWidget* owner = nullptr;  // the window the box belongs to
  QStringList button_texts;  // as shown, in the box's order
  QFont font;                // the box's own font, which its texts are set in
};

// Polls for visible message boxes, records each and answers it: OK, or for a question the answer
// given. Works for boxes of any copy of the form code, since QMessageBox lives in the shared Qt.
class DialogWatcher : public QObject {
 public:
  explicit DialogWatcher(QMessageBox::StandardButton question_answer = QMessageBox::Yes)
      : answer_(question_answer) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(10);
  }

  const std::vector<SeenDialog>& seen() const { return seen_; }

 private:
  void Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* box = qobject_cast<QMessageBox*>(widget);
      if (box == nullptr || !box->isVisible() || answered_.contains(box)) continue;
      answered_.append(box);
      QStringList button_texts;
      for (QAbstractButton* button : box->buttons()) button_texts << button->text();
      seen_.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                       box->windowModality(), box->parentWidget(), button_texts, box->font()});
      QAbstractButton* button = box->button(answer_);
      if (button == nullptr) button = box->button(QMessageBox::Ok);
      if (button != nullptr) button->click();
    }
  }

  QMessageBox::StandardButton answer_;
  QTimer timer_;
  QList<QPointer<QMessageBox>> answered_;
  std::vector<SeenDialog> seen_;
};

// Runs the event loop until `done` holds or `ms` have passed; returns whether it holds.
inline bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  return QTest::qWaitFor(done, ms);
}

// The form of `project` at audit stage "4" in its window, shown and loaded.
inline std::unique_ptr<gui::FormSession> ShowForm(const TestProject& project) {
  audit::FormContext context;
  context.db_path = project.db_path();
  context.stage = "4";
  context.host_folder = project.host_folder();
  auto session = std::make_unique<gui::FormSession>(context);
  session->window().show();
  EXPECT_TRUE(WaitFor(
      [&session] { return session->window().property(gui::kFormShownProperty).toBool(); }));
  return session;
}

// Answers the next file dialog that opens with `path` (accepted), or cancels it when `path` is
// empty; returns what the dialog proposed, as it proposed it.
class FileDialogAnswer : public QObject {
 public:
  explicit FileDialogAnswer(QString path) : path_(std::move(path)) {
    connect(&timer_, &QTimer::timeout, this, [this] { Poll(); });
    timer_.start(10);
  }
  bool answered() const { return answered_; }
  const QString& proposed() const { return proposed_; }
  QWidget* owner() const { return owner_; }

 private:
  // Answers every visible file dialog, again at each poll while it stays on the screen (a busy
  // machine may show it before it takes an answer); one that refuses the answer for a second is
  // cancelled, so that a test fails rather than waits for ever.
  void Poll() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      auto* dialog = qobject_cast<QFileDialog*>(widget);
      if (dialog == nullptr || !dialog->isVisible()) continue;
      if (!answered_) {
        answered_ = true;
        owner_ = dialog->parentWidget();
        const QStringList selected = dialog->selectedFiles();
        proposed_ = selected.isEmpty() ? QString() : selected.first();
      }
      if (path_.isEmpty() || ++attempts_ > 100) {
        dialog->reject();
      } else {
        dialog->selectFile(path_);
        static_cast<QDialog*>(dialog)->accept();  // QFileDialog::accept, which checks the name
      }
      return;
    }
  }

  QString path_;
  QTimer timer_;
  bool answered_ = false;
  int attempts_ = 0;
  QString proposed_;
  QWidget* owner_ = nullptr;
};

}  // namespace torva::gui_test
