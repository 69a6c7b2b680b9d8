// SJKS.txt on disk: reading it without ever waiting or reading without bound, and replacing it so
// that a crash, a full disk or a file planted beside it never costs the list it held.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "audit/coefficient_list.h"
#include "text/error.h"

namespace torva::audit {

// A list file larger than this is no list of coefficients; it is refused without being read.
inline constexpr std::size_t kMaxListFileBytes = 1024 * 1024;

// What reading a list file found: its items and the encoding they are written back in.
struct CoefficientFile {
  std::vector<std::string> items;
  ListEncoding encoding = ListEncoding::kUtf8;
};

// A list file that exists but cannot be read. what() is the whole message; reason() is why, in a
// few words, for the notice at close that the file was left as it is.
class UnreadableListError : public Error {
 public:
  UnreadableListError(const std::string& text, std::string reason)
      : Error(text), reason_(std::move(reason)) {}
  const std::string& reason() const { return reason_; }

 private:
  std::string reason_;
};

// The list file at `path`, or nullopt when there is none. A symbolic link there is followed. Only
// a regular file of at most kMaxListFileBytes is read: a pipe, a device or a folder in its place is
// an unreadable list, and opening it never waits for a writer. Throws UnreadableListError when the
// file exists but cannot be read.
std::optional<CoefficientFile> ReadCoefficientFile(const std::string& path);

// Replaces the list file at `path` by `items`, written in `encoding`. When `path` is a symbolic
// link, the file it leads to is replaced and the link stays a link; a link that neither this user
// nor the owner of its folder made is not followed (an error). The new list is written into a
// file of its own beside the one it replaces, under an unpredictable name (PATH.<pid>.<random>.tmp)
// that is created exclusively, so that it is never a file, link or pipe that was already there;
// it is synced, renamed over the old file and the folder synced, so that a crash leaves either the
// old list or the new one. The new file keeps the owner (where allowed) and the permissions of the
// one it replaces, except that its owner may always read and write it. Throws torva::Error with a
// clear text when it cannot; the temporary file is then removed and the old file is untouched.
void WriteCoefficientFile(const std::string& path, const std::vector<std::string>& items,
                          ListEncoding encoding = ListEncoding::kUtf8);

// Removes what writers of the list at `path` that were killed before their rename left behind:
// files named as WriteCoefficientFile names its temporary files, whose process is no longer running
// (or is this one), that are regular files owned by this process's user. Anything else in the
// folder stays, whatever its name.
void RemoveStaleTemporaries(const std::string& path);

// ---- for tests only: the library never calls these ----

// A step of WriteCoefficientFile that can be made to fail.
enum class ListWriteStep { kNone, kWrite, kSync, kRename };
// Makes every later WriteCoefficientFile fail at `step` with the system error `error`, as if the
// system had refused that step, until called again with ListWriteStep::kNone.
void FailListWritesAt(ListWriteStep step, int error);

}  // namespace torva::audit
