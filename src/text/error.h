// The one error type of the system. Every failure that ends a handler is a torva::Error carrying the
// text to show; the boundary of the user action (a keystroke, a click, showing or closing the form)
// catches it and shows it through the general error display.
#pragma once

#include <stdexcept>
#include <string>

namespace torva {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& text) : std::runtime_error(text) {}
};

// An error the user has already been told about (or has answered): it unwinds like any error, but
// the boundary shows nothing more.
class QuietError : public Error {
 public:
  explicit QuietError(const std::string& text) : Error(text) {}
};

}  // namespace torva
