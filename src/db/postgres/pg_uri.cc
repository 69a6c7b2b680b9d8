#include "db/postgres/pg_uri.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "text/strings.h"

namespace torva::db::postgres {
namespace {

constexpr std::string_view kMask = "***";

std::size_t SchemeLength(std::string_view text) {
  for (std::string_view scheme : {"postgresql://", "postgres://"}) {
    if (text.size() >= scheme.size() &&
        text::EqualsIgnoreCase(text.substr(0, scheme.size()), scheme))
      return scheme.size();
  }
  return 0;
}

// A password's place in the text: [begin, end).
struct Span {
  std::size_t begin;
  std::size_t end;
};

// Where the passwords of a URI stand.
std::vector<Span> UriPasswords(std::string_view uri) {
  std::vector<Span> spans;
  const std::size_t start = SchemeLength(uri);
  const std::size_t query = uri.find('?', start);
  const std::string_view authority =
      uri.substr(start, query == std::string_view::npos ? std::string_view::npos : query - start);
  // The last '@' before the query: a password holding a raw '@' or '/' is still covered whole.
  const std::size_t at = authority.rfind('@');
  if (at != std::string_view::npos) {
    const std::size_t colon = authority.substr(0, at).find(':');
    if (colon != std::string_view::npos && colon + 1 < at) {
      spans.push_back({start + colon + 1, start + at});
    }
  }
  if (query == std::string_view::npos) return spans;
  std::size_t k = query + 1;
  while (k <= uri.size()) {
    std::size_t end = uri.find('&', k);
    if (end == std::string_view::npos) end = uri.size();
    const std::string_view pair = uri.substr(k, end - k);
    const std::size_t equals = pair.find('=');
    if (equals != std::string_view::npos && equals + 1 < pair.size() &&
        text::PercentDecoded(pair.substr(0, equals)) == "password") {
      spans.push_back({k + equals + 1, end});
    }
    k = end + 1;
  }
  return spans;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Where the passwords of a keyword/value string stand: key = value, the value bare or in single
// quotes with backslash escapes, as libpq reads it.
std::vector<Span> KeywordPasswords(std::string_view text) {
  std::vector<Span> spans;
  std::size_t k = 0;
  const std::size_t n = text.size();
  while (k < n) {
    while (k < n && IsSpace(text[k])) ++k;
    const std::size_t key_begin = k;
    while (k < n && text[k] != '=' && !IsSpace(text[k])) ++k;
    const std::string_view key = text.substr(key_begin, k - key_begin);
    while (k < n && IsSpace(text[k])) ++k;
    if (k >= n || text[k] != '=') {
      ++k;
      continue;
    }
    ++k;
    while (k < n && IsSpace(text[k])) ++k;
    std::size_t value_begin = k;
    std::size_t value_end = k;
    if (k < n && text[k] == '\'') {
      value_begin = ++k;
      while (k < n && text[k] != '\'') k += text[k] == '\\' ? 2 : 1;
      value_end = k < n ? k : n;
      ++k;
    } else {
      while (k < n && !IsSpace(text[k])) k += text[k] == '\\' ? 2 : 1;
      value_end = k < n ? k : n;
    }
    if (key == "password" && value_end > value_begin) spans.push_back({value_begin, value_end});
  }
  return spans;
}

std::vector<Span> Passwords(std::string_view text) {
  return IsPostgresUri(text) ? UriPasswords(text) : KeywordPasswords(text);
}

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (std::size_t at = text.find(what); at != std::string::npos;
       at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

bool IsPostgresUri(std::string_view data_source) { return SchemeLength(data_source) > 0; }

std::string MaskPassword(std::string_view uri) {
  std::string out;
  std::size_t from = 0;
  for (const Span& span : Passwords(uri)) {
    out.append(uri.substr(from, span.begin - from));
    out.append(kMask);
    from = span.end;
  }
  out.append(uri.substr(from));
  return out;
}

std::string ScrubPasswords(std::string_view message, std::string_view uri) {
  std::string out(message);
  const std::string masked = MaskPassword(uri);
  ReplaceAll(out, uri, masked);
  for (const Span& span : Passwords(uri)) {
    const std::string_view raw = uri.substr(span.begin, span.end - span.begin);
    ReplaceAll(out, raw, kMask);
    ReplaceAll(out, text::PercentDecoded(raw), kMask);
  }
  return out;
}

}  // namespace torva::db::postgres
