// Connection strings of the desktop form "Provider=...;Data Source=PATH;Key=Value;...".
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace torva::db {

// Parses "key=value;key=value;...". Keys are case-insensitive (stored lower-case) and trimmed; a value
// may be enclosed in double quotes (a doubled quote inside stands for one) or single quotes, so that
// it may hold ';' and '='. A part without '=' is a key with an empty value. Never throws.
std::map<std::string, std::string> ParseConnectionString(std::string_view text);

// Quotes a value for a connection string when it needs it (it holds ';', '=', a quote, or blanks at
// either end): enclosed in double quotes, inner double quotes doubled. Otherwise returns it unchanged.
std::string QuoteConnectionValue(std::string_view value);

// "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + quoted path + ";Persist Security Info=True;jet oledb:database;"
std::string JetConnectionString(std::string_view path);

}  // namespace torva::db
