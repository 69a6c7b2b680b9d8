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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// GB18030 (the superset of code page 936 in which Windows writes Chinese text) to UTF-8.
std::optional<std::string> Gb18030ToUtf8(std::string_view bytes) {
  iconv_t cd = iconv_open("UTF-8", "GB18030");
  if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
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

std::vector<std::string> DecodeCoefficientList(std::string_view bytes) {
  std::string text;
  if (text::IsValidUtf8(bytes)) {
    text = bytes;
    // A byte-order mark written by an editor is no part of the first item.
    if (text.starts_with(kByteOrderMark)) text.erase(0, kByteOrderMark.size());
  } else if (std::optional<std::string> converted = Gb18030ToUtf8(bytes)) {
    text = std::move(*converted);
  } else {
    throw Error(std::string(kCannotDecode));
  }
  return SplitLines(text);
}

std::string EncodeCoefficientList(const std::vector<std::string>& items) {
  std::string content;
  // Reading drops one byte-order mark; an item that itself begins with U+FEFF keeps it only when
  // the file begins with a mark of its own.
  if (!items.empty() && items.front().starts_with(kByteOrderMark)) content = kByteOrderMark;
  for (const std::string& item : items) {
    content += item;
    content += "\r\n";
  }
  return content;
}

}  // namespace torva::audit
