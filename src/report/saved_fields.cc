#include "report/saved_fields.h"

#include "audit/db_error_text.h"
#include "db/connection.h"
#include "db/connection_string.h"
#include "db/query.h"
#include "text/error.h"

namespace torva::report {

std::map<std::string, std::string, std::less<>> ReadSavedFields(const std::string& project_db) {
  std::map<std::string, std::string, std::less<>> fields;
  try {
    db::Connection connection;
    connection.Open(db::JetConnectionString(project_db), /*read_only=*/true);
    db::Query query(&connection);
    query.SetSql("select CSName,S_Val from G_GCCS where GCID=-1");
    for (query.Open(); !query.Eof(); query.Next()) {
      // The form's load takes the first row of a key; so does the summary.
      fields.emplace(query.AsText("CSName"), query.AsText("S_Val"));
    }
  } catch (const std::exception& e) {
    throw Error(audit::WithChineseDbError(e.what()));
  }
  return fields;
}

}  // namespace torva::report
