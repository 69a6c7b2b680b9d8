// Shared pieces of the tests that drive the headless form on real files: a UiPort that records the
// dialogs, file helpers, SQL on a project file as another program would run it, the form's stored
// rows, and a dump of a database for "nothing changed" checks.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
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
#include "db/connection.h"
#include "db/connection_string.h"

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

// Runs SQL on the file as another program would: torva-sqlexec, in a process of its own (creating
// the file).
inline void RunSql(const fs::path& db_path, const std::string& sql) {
  const fs::path script = MakeTempFolder("torva-sql") / "script.sql";
  WriteFile(script, sql);
  const std::string command = "'" + std::string(TORVA_BINARY_DIR) + "/torva-sqlexec' '" +
                              db_path.string() + "' '" + script.string() + "' 2>&1";
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe) != nullptr) output += buffer;
    const int status = pclose(pipe);
    EXPECT_EQ(status, 0) << output << "\n" << sql.substr(0, 500);
  } else {
    ADD_FAILURE() << "cannot run " << command;
  }
  std::error_code ignored;
  fs::remove_all(script.parent_path(), ignored);
}

// Every row of `sql` on the project file, each column as text ("NULL" for NULL), through a
// connection of the storage interface. Opened for writing: a reader that finds the journal of a
// killed save must be able to roll it back.
inline std::vector<std::vector<std::string>> Select(const fs::path& db_path,
                                                    const std::string& sql) {
  std::vector<std::vector<std::string>> rows;
  try {
    const std::unique_ptr<db::Connection> connection =
        db::OpenConnection(db::JetConnectionString(db_path.string()));
    for (const db::ResultPtr result = connection->Open(sql); !result->Eof(); result->Next()) {
      std::vector<std::string>& row = rows.emplace_back();
      for (const std::string& column : result->ColumnNames()) {
        row.push_back(result->IsNull(column) ? "NULL" : result->AsText(column));
      }
    }
  } catch (const std::exception& e) {
    ADD_FAILURE() << db_path << ": " << e.what();
  }
  return rows;
}

// The project schema of data/project_schema.sql applied to `db_path`.
inline void CreateProject(const fs::path& db_path) {
  RunSql(db_path, ReadFile(fs::path(TORVA_SOURCE_DIR) / "data/project_schema.sql"));
}

// Every (CSName, S_Val) of the rows with the given GCID, in rowid order. Values are read with their
// length, so a NUL inside shows.
inline std::vector<std::pair<std::string, std::string>> RowsOf(const fs::path& db_path,
                                                              int gcid = -1) {
  std::vector<std::pair<std::string, std::string>> rows;
  for (const auto& row : Select(db_path, "select CSName, IIF(S_Val IS NULL, '', S_Val) as S_Val "
                                         "from G_GCCS where GCID=" + std::to_string(gcid) +
                                         " order by rowid")) {
    rows.emplace_back(row.at(0), row.at(1));
  }
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
  std::string dump;
  const auto collect = [&dump](const std::vector<std::vector<std::string>>& rows) {
    for (const auto& row : rows) {
      for (const std::string& value : row) dump += value + "|";
      dump += "\n";
    }
  };
  collect(Select(db_path, "select type, name, sql from sqlite_master order by name"));
  for (const auto& table :
       Select(db_path, "select name from sqlite_master where type='table' order by name")) {
    dump += "-- " + table.at(0) + "\n";
    collect(Select(db_path, "select * from [" + table.at(0) + "] order by rowid"));
  }
  return dump;
}

}  // namespace torva::testing
