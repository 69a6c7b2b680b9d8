// The host folder: the folder of the host's executable, ending in '/'. SJKS.txt and Data/GL.mgl
// live there.
#pragma once

#include <optional>
#include <string>

namespace torva::lib {

// The folder of the executable as the process was started (the path handed to exec, made absolute
// against the current folder), ending in '/'. A symbolic link in that path is not followed, so a host
// started through a link in a folder of its own finds its files there (the per-user folder of an
// installed torva-host works that way). Nothing when that path no longer names the running
// executable (the current folder changed after a start by a relative path, the file was renamed,
// removed or replaced): the caller reports it rather than guess another folder.
std::optional<std::string> HostFolder();

// `folder` with a '/' at its end.
std::string WithTrailingSlash(std::string folder);

}  // namespace torva::lib
