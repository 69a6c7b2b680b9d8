#include "audit/coefficient_list.h"

#include <iconv.h>

#include <optional>
#include <utility>

#include "text/error.h"
#include "text/strings.h"

namespace torva::audit {

namespace {

// The list file always lives in the host folder, so the text names it without the folder.
constexpr std::string_view kCannotDecode =
    "主程序目录下的系数列表文件 SJKS.txt 既不是 UTF-8 文本，也不是 GB18030 文本";
constexpr std::string_view kCannotEncode = "系数列表中有不是 UTF-8 的文字，无法写成 GB18030 文本";

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// `bytes` converted from encoding `from` to encoding `to`, or nullopt when they are not text of
// `from` (or the system lacks the conversion).
std::optional<std::string> Convert(std::string_view bytes, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  // Four bytes out for each byte in is enough either way: a GB18030 character of one to four bytes
  // is at most four in UTF-8, a UTF-8 character of one to four bytes at most four in GB18030.
  std::string out(bytes.size() * 4 + 16, '\0');
  char* in_ptr = const_cast<char*>(bytes.data());
  size_t in_left = bytes.size();
  char* out_ptr = out.data();
  size_t out_left = out.size();
  const size_t rc = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  const bool ok = rc != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &out_ptr, &out_left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok || in_left != 0) return std::nullopt;
  out.resize(out.size() - out_left);
  return out;
}

// Lines ended by CR, LF or CR LF; an empty line is an item; a last line without an ending counts.
std::vector<std::string> SplitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t start = 0;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\r' || text[i] == '\n') {
      lines.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = ++i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

}  // namespace

std::vector<std::string> DecodeCoefficientList(std::string_view bytes, ListEncoding* encoding) {
  std::string text;
  ListEncoding found = ListEncoding::kUtf8;
  if (text::IsValidUtf8(bytes)) {
    text = bytes;
    // A byte-order mark written by an editor is no part of the first item.
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
  } else if (std::optional<std::string> converted = Convert(bytes, "GB18030", "UTF-8")) {
    text = std::move(*converted);
    found = ListEncoding::kGb18030;
  } else {
    throw Error(std::string(kCannotDecode));
  }
  if (encoding != nullptr) *encoding = found;
  return SplitLines(text);
}

std::string EncodeCoefficientList(const std::vector<std::string>& items, ListEncoding encoding) {
  std::string content;
  // Reading drops one byte-order mark of a UTF-8 file; an item that itself begins with U+FEFF keeps
  // it only when the file begins with a mark of its own. GB18030 has no mark to drop.
  if (encoding == ListEncoding::kUtf8 && !items.empty() &&
      items.front().starts_with(kByteOrderMark)) {
    content = kByteOrderMark;
  }
  for (const std::string& item : items) {
    content += item;
    content += "\r\n";
  }
  if (encoding == ListEncoding::kUtf8) return content;
  std::optional<std::string> converted = Convert(content, "UTF-8", "GB18030");
  if (!converted) throw Error(std::string(kCannotEncode));
  // The reader takes bytes that are valid UTF-8 for UTF-8. A few GB18030 texts are ("去" is C8 A5,
  // which UTF-8 reads as "ȥ"): those lists are written in UTF-8, so that they read back as written.
  if (*converted != content && text::IsValidUtf8(*converted)) {
    return EncodeCoefficientList(items, ListEncoding::kUtf8);
  }
  return std::move(*converted);
}

}  // namespace torva::audit
