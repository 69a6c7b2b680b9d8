// SJKS.txt, the coefficient list: its bytes and the items they stand for. The file itself is
// coefficient_file.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torva::audit {

// How a list file's bytes stand for its text: UTF-8, or GB18030 (the superset of code page 936 in
// which Windows writes Chinese text). The close writes a list back in the encoding it was read in.
enum class ListEncoding { kUtf8, kGb18030 };

// The items of a list file. The bytes are UTF-8 (a leading byte-order mark is dropped) or, when
// they are not, GB18030, converted to UTF-8; `encoding`, when given, receives which. A line ends at
// CR, LF or CR LF; an empty line is an empty item; a last line without an ending still counts.
// Throws torva::Error when the bytes are neither encoding.
std::vector<std::string> DecodeCoefficientList(std::string_view bytes,
                                               ListEncoding* encoding = nullptr);

// The bytes the form writes for `items`: each item followed by CR LF, in the given order, so that
// reading them gives back exactly these items. In UTF-8 a byte-order mark comes first only when the
// first item itself begins with U+FEFF. GB18030 bytes that would read as other UTF-8 text are
// written in UTF-8 instead. Throws torva::Error when an item is no UTF-8 text and so
// cannot be written in GB18030.
std::string EncodeCoefficientList(const std::vector<std::string>& items,
                                  ListEncoding encoding = ListEncoding::kUtf8);

}  // namespace torva::audit
