#include "report/saved_fields.h"

#include "audit/failure_text.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "text/error.h"

namespace torva::report {

std::map<std::string, std::string, std::less<>> ReadSavedFields(const std::string& project_db) {
  std::map<std::string, std::string, std::less<>> fields;
  try {
    db::OpenOptions options;
    options.read_only = true;
    const std::unique_ptr<db::Connection> connection =
        db::OpenConnection(db::JetConnectionString(project_db), options);
    for (const db::ResultPtr read =
             connection->Open("select CSName,S_Val from G_GCCS where GCID=-1");
         !read->Eof(); read->Next()) {
      // The form's load takes the first row of a key; so does the summary.
      fields.emplace(read->AsText("CSName"), read->AsText("S_Val"));
    }
  } catch (const std::exception& e) {
    throw Error(audit::ErrorText(e));
  }
  return fields;
}

}  // namespace torva::report
