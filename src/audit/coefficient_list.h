// The bytes of SJKS.txt, the coefficient list, and the items they stand for.
//
// Pure functions, apart from the file: parameters.cc reads and replaces the file, these turn its
// bytes into items and items into bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace torva::audit {

// The items of a list file. The bytes are UTF-8 (a leading byte-order mark is dropped) or, when
// they are not, GB18030 (the superset of code page 936 in which Windows writes Chinese text),
// converted to UTF-8. A line ends at CR, LF or CR LF; an empty line is an empty item; a last line
// without an ending still counts. Throws torva::Error when the bytes are neither encoding.
std::vector<std::string> DecodeCoefficientList(std::string_view bytes);

// The bytes the form writes for `items`: each item followed by CR LF, in UTF-8, in the given order;
// a byte-order mark first only when the first item itself begins with U+FEFF, so that reading the
// file gives back exactly these items.
std::string EncodeCoefficientList(const std::vector<std::string>& items);

}  // namespace torva::audit
