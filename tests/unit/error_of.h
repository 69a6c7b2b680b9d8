// The text of the torva::Error an action throws: the way the unit tests compare error messages.
#pragma once

#include <string>

#include "text/error.h"

namespace torva::testing {

// The message of the torva::Error that `action` throws, or "no error" when it throws none.
template <typename Action>
std::string ErrorOf(Action action) {
  try {
    action();
  } catch (const Error& error) {
    return error.what();
  }
  return "no error";
}

}  // namespace torva::testing
