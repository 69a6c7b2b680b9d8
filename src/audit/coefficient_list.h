// SJKS.txt, the coefficient list: its bytes, the items they stand for, and the file itself.
#pragma once

#include <optional>
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

// The items of the list file at `path`, or nullopt when there is none. Only a regular file is read:
// a pipe, a device or a folder in its place is an unreadable list, and opening it never waits for
// a writer. Throws torva::Error with a clear text when the file exists but cannot be read.
std::optional<std::vector<std::string>> ReadCoefficientFile(const std::string& path);

// Replaces the list file at `path` by `items`: written beside it as PATH.<pid>.tmp, synced, then
// renamed over it, so that a crash leaves either the old list or the new one. The new file keeps
// the permissions (and, where allowed, the owner) of the one it replaces. Throws torva::Error with
// a clear text when it cannot; the temporary file is then removed.
void WriteCoefficientFile(const std::string& path, const std::vector<std::string>& items);

// Removes the temporary files PATH.<pid>.tmp that a writer killed before its rename left behind:
// those of processes no longer running, and this process's own. A running process's file is its
// write in progress and stays, and so does anything else in the folder.
void RemoveStaleTemporaries(const std::string& path);

}  // namespace torva::audit
