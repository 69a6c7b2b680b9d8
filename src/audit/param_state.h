// What the parameter store remembers between showing and closing the form (parameters.cc).
//
// The save at close writes a key only when the form knows that key's value: the load restored it
// (or looked for it and found no row), or the auditor changed its control after the load. A load
// that ended early (an unreadable boolean, a handler that failed, a select that failed, an
// unreadable SJKS.txt before it) thereby leaves the stored rows of the keys it never reached alone,
// instead of overwriting them with the layout's values. The same holds for the coefficient list:
// SJKS.txt is replaced only by a list that was read from it (or found absent) or edited since.
#pragma once

#include <functional>
#include <set>
#include <string>

namespace torva::audit {

struct ParamStateData {
  // The change observers are attached to every control that the store saves.
  bool observing = false;
  // True while the store itself writes into the controls (loading the fields or the list): those
  // writes, and everything the handlers they set off write, are not the auditor's changes.
  bool restoring = false;
  // The load reached its end: every key holds its stored value or the layout's value on purpose.
  bool load_finished = false;
  // Keys that the load reached before it ended (restored, or looked for and not found).
  std::set<std::string, std::less<>> settled_keys;
  // Keys whose control changed after the load (by the auditor or a handler the auditor set off).
  std::set<std::string, std::less<>> changed_keys;
  // The items of T_44 are the list to keep: read from SJKS.txt, found without the file, or
  // changed since. False when reading failed, so the close never replaces the file with the
  // layout's two items.
  bool list_known = false;
  // SaveAllParams has an open transaction: SaveParam wraps each key in a savepoint.
  bool in_transaction = false;
};

}  // namespace torva::audit
