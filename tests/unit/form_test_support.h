// Shared pieces of the tests that drive the headless form on real files: a UiPort that records the
// dialogs, file helpers, SQL on a project file as another program would run it, the form's stored
// rows, and a dump of a database for "nothing changed" checks.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/tfrm_main.h"
#include "audit/ui_port.h"

namespace torva::testing {

namespace fs = std::filesystem;

// Records every dialog as "[CAPTION] TEXT" and answers questions from a queue (yes when empty);
// a question's line ends in " -> yes" or " -> no".
class RecordingUi : public audit::UiPort {
 public:
  void ShowMessage(std::string_view caption, std::string_view text, audit::MessageIcon) override {
    messages.push_back(audit::DialogLine(caption, text));
  }
  bool AskYesNo(std::string_view caption, std::string_view text) override {
    const bool yes = answers.empty() ? true : answers.front();
    if (!answers.empty()) answers.pop_front();
    messages.push_back(audit::DialogLine(caption, text, yes));
    return yes;
  }
  // Whether any dialog so far contained `fragment`.
  bool Saw(const std::string& fragment) const {
    for (const std::string& m : messages) {
      if (m.find(fragment) != std::string::npos) return true;
    }
    return false;
  }

  std::vector<std::string> messages;
  std::deque<bool> answers;
};

// What a host passes to open project `db` at audit stage `stage`, from its folder `host_folder`.
inline audit::FormContext ContextFor(const fs::path& db, const fs::path& host_folder,
                                     const std::string& stage = "4") {
  audit::FormContext context;
  context.db_path = db.string();
  context.stage = stage;
  context.host_folder = host_folder.string() + "/";
  return context;
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << bytes;
}

// A fresh folder under the system's temporary folder, named after `prefix`.
inline fs::path MakeTempFolder(const std::string& prefix) {
  std::string pattern = (fs::temp_directory_path() / (prefix + "-XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) ADD_FAILURE() << "mkdtemp failed for " << pattern;
  return pattern;
}

// Runs SQL on the file through its own connection (creating the file), as another program would.
inline void RunSql(const fs::path& db_path, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(db_path.c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  const std::string text = error ? error : "";
  sqlite3_free(error);
  sqlite3_close(db);
  ASSERT_EQ(rc, SQLITE_OK) << text << "\n" << sql.substr(0, 500);
}

// The project schema of data/project_schema.sql applied to `db_path`.
inline void CreateProject(const fs::path& db_path) {
  RunSql(db_path, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql"));
}

// Every (CSName, S_Val) of the rows with the given GCID, in rowid order. Values are read with their
// length, so a NUL inside shows. The file is opened for writing: a reader that finds the journal of
// a killed save must be able to roll it back.
inline std::vector<std::pair<std::string, std::string>> RowsOf(const fs::path& db_path,
                                                              int gcid = -1) {
  std::vector<std::pair<std::string, std::string>> rows;
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << db_path;
    sqlite3_close(db);
    return rows;
  }
  sqlite3_stmt* stmt = nullptr;
  const std::string sql =
      "select CSName, S_Val from G_GCCS where GCID=" + std::to_string(gcid) + " order by rowid";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << sqlite3_errmsg(db);
  } else {
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      const auto text = [&](int i) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
        return t ? std::string(t, static_cast<size_t>(sqlite3_column_bytes(stmt, i)))
                 : std::string();
      };
      rows.emplace_back(text(0), text(1));
    }
    if (rc != SQLITE_DONE) ADD_FAILURE() << sqlite3_errmsg(db);
  }
  sqlite3_finalize(stmt);
  sqlite3_close(db);
  return rows;
}

// The one stored value of each key of the form's rows; a key with several rows shows them joined
// by '|'.
inline std::map<std::string, std::string> Stored(const fs::path& db_path) {
  std::map<std::string, std::string> values;
  for (const auto& [key, value] : RowsOf(db_path)) {
    auto [it, fresh] = values.emplace(key, value);
    if (!fresh) it->second += "|" + value;
  }
  return values;
}

// The stored value of `key`, or "(no row)".
inline std::string At(const std::map<std::string, std::string>& stored, const std::string& key) {
  const auto found = stored.find(key);
  return found == stored.end() ? "(no row)" : found->second;
}

// The statement that stores `value` under `key` as the form's row.
inline std::string Insert(const std::string& key, const std::string& value) {
  std::string quoted;
  for (char c : value) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return "insert into G_GCCS(GCID,CSName,S_Val) values(-1,'" + key + "','" + quoted + "');";
}

// Every object's definition and every table's rows, as text: equal dumps mean an unchanged
// database.
inline std::string Dump(const fs::path& db_path) {
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(db_path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
    ADD_FAILURE() << "cannot open " << db_path;
    sqlite3_close(db);
    return {};
  }
  std::string dump;
  const auto collect = [](void* out, int n, char** values, char**) {
    auto& text = *static_cast<std::string*>(out);
    for (int i = 0; i < n; ++i) text += (values[i] ? values[i] : "NULL") + std::string("|");
    text += "\n";
    return 0;
  };
  std::vector<std::string> tables;
  const auto table_name = [](void* out, int, char** values, char**) {
    static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
    return 0;
  };
  sqlite3_exec(db, "select type, name, sql from sqlite_master order by name", collect, &dump,
               nullptr);
  sqlite3_exec(db, "select name from sqlite_master where type='table' order by name", table_name,
               &tables, nullptr);
  for (const std::string& table : tables) {
    dump += "-- " + table + "\n";
    const std::string sql = "select * from \"" + table + "\" order by rowid";
    sqlite3_exec(db, sql.c_str(), collect, &dump, nullptr);
  }
  sqlite3_close(db);
  return dump;
}

}  // namespace torva::testing
