// The host folder: the folder of the running executable, ending in '/'. SJKS.txt and Data/GL.mgl
// live there.
#pragma once

#include <string>

namespace torva::audit {

// The folder of /proc/self/exe, ending in '/'. The environment variable TORVA_HOST_FOLDER, when set
// and not empty, names another folder (torva-host's --host-folder passes it on to the library).
std::string HostFolder();

// `folder` with a '/' at its end.
std::string WithTrailingSlash(std::string folder);

}  // namespace torva::audit
