// Chinese texts for the database engine's own error messages that the form can show: the auditor
// reads the cause in Chinese, and the engine's words follow it for diagnosis.
#pragma once

#include <string>
#include <string_view>

namespace torva::audit {

// `text` with a Chinese explanation put before it when it begins with one of the engine's known
// messages ("file is not a database", "database is locked", "no such table: ...", "Division by
// zero", ...): "数据表不存在：no such table: G_GCCS". Any other text, one that already carries an
// explanation included, comes back unchanged.
std::string WithChineseDbError(std::string_view text);

}  // namespace torva::audit
