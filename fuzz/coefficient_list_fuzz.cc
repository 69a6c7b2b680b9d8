// Fuzzes the decoding of SJKS.txt, the coefficient list, from its bytes into items.
//
// - Any bytes decode into items or are refused with torva::Error, never a crash.
// - Every item is UTF-8 and holds no line end.
// - What the form writes back is a fixed point: the written list reads back as the same items, and
//   writing those again gives the same bytes. A list read as GB18030 and written back in the
//   encoding it was read in reads back as the same items too.
// - A UTF-8 list as the form writes it (each line ended by CR LF, no byte-order mark) is written
//   back byte for byte.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "audit/coefficient_list.h"
#include "text/strings.h"
#include "text/error.h"

namespace {

using torva::audit::DecodeCoefficientList;
using torva::audit::EncodeCoefficientList;

[[noreturn]] void Fail(const char* what, std::string_view input) {
  std::fprintf(stderr, "coefficient_list_fuzz: %s\n  input (%zu bytes):", what, input.size());
  for (unsigned char c : input.substr(0, 200)) std::fprintf(stderr, " %02X", c);
  std::fprintf(stderr, "\n");
  std::abort();
}

bool LooksWrittenByTheForm(std::string_view bytes) {
  if (bytes.starts_with("\xEF\xBB\xBF")) return false;
  if (!bytes.empty() && !bytes.ends_with("\r\n")) return false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '\n' && (i == 0 || bytes[i - 1] != '\r')) return false;
    if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> items;
  torva::audit::ListEncoding encoding = torva::audit::ListEncoding::kUtf8;
  try {
    items = DecodeCoefficientList(input, &encoding);
  } catch (const torva::Error&) {
    if (torva::text::IsValidUtf8(input)) Fail("a UTF-8 list was refused", input);
    return 0;
  }
  for (const std::string& item : items) {
    if (!torva::text::IsValidUtf8(item)) Fail("an item is not UTF-8", input);
    if (item.find_first_of("\r\n") != std::string::npos) Fail("an item holds a line end", input);
  }
  const std::string written = EncodeCoefficientList(items);
  std::vector<std::string> reread;
  try {
    reread = DecodeCoefficientList(written);
  } catch (const torva::Error&) {
    Fail("the written list cannot be read back", input);
  }
  if (reread != items) Fail("the written list reads back as other items", input);
  if (EncodeCoefficientList(reread) != written) Fail("writing the list again differs", input);
  if (encoding == torva::audit::ListEncoding::kGb18030) {
    try {
      if (DecodeCoefficientList(EncodeCoefficientList(items, encoding)) != items) {
        Fail("the list written back in GB18030 reads back as other items", input);
      }
    } catch (const torva::Error&) {
      Fail("the list read as GB18030 cannot be written back in it", input);
    }
  }
  if (torva::text::IsValidUtf8(input) && LooksWrittenByTheForm(input) && written != input) {
    Fail("a list as the form writes it is not written back unchanged", input);
  }
  return 0;
}
