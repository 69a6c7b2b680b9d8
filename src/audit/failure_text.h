// What the auditor reads when the database fails: the cause in Chinese, decided by the failure's
// kind, with the database's own words after it for diagnosis. Every front end shows these texts
// as they are, so the window, script mode and the scenarios print the same line.
#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "db/failure.h"

namespace torva::audit {

// The cause of a failure of `kind` in Chinese; empty for a failure of no particular kind.
std::string_view FailureCause(db::FailureKind kind);

// The text to show for `error`: a database failure of a known kind as "CAUSE：WORDS"; any other
// error (one whose text the form composed, a failure of no particular kind) as its text.
std::string ErrorText(const std::exception& error);

}  // namespace torva::audit
