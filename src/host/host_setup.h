// Where torva-host finds its companions (libtorva, its Qt module, the fee standard) and which host
// folder it gives the form. Nothing here includes Qt.
#pragma once

#include <optional>
#include <string>

namespace torva::host {

// A companion file of torva-host: beside the real executable (symbolic links resolved) in the build
// tree, else at its installed place relative to the installed executable. `build_name` is its name in
// the build tree, `installed` its path relative to the installed torva-host. Nothing when neither
// exists.
std::optional<std::string> Companion(const std::string& build_name, const std::string& installed);

std::optional<std::string> LibraryPath();          // libtorva.so.0
std::optional<std::string> QtModulePath();         // torva-host-qt.so
std::optional<std::string> InstalledFeeStandard(); // GL.mgl as installed (not in the build tree)

// The host folder for this run, ending in '/':
//  - `requested` (--host-folder) when not empty;
//  - else the folder torva-host was started from, when it holds Data/GL.mgl (the build tree, a
//    folder laid out as the library's header describes, or the per-user folder below);
//  - else, for an installed torva-host, the user's own folder $XDG_DATA_HOME/torva/ (by default
//    ~/.local/share/torva/), prepared with Data/GL.mgl linked to the installed fee standard, so the
//    coefficient list lands where the user may write;
//  - else the folder torva-host was started from (the form then reports the missing fee standard).
// Nothing, with the reason in `error`, when no folder can be determined or prepared.
std::optional<std::string> ChooseHostFolder(const std::string& requested, std::string* error);

// Whether the library, following its rule, would take `folder` as its host folder in this process.
bool IsOwnHostFolder(const std::string& folder);

// Starts torva-host again through the link `folder`/torva-host (made when missing) so that the
// library finds `folder` as the folder of its host's executable; `argv` are the arguments for the new
// run. Returns only on failure, with the reason in `error`.
void ReexecFrom(const std::string& folder, char** argv, std::string* error);

}  // namespace torva::host
