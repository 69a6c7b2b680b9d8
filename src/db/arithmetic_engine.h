// The form's own arithmetic engine: evaluates the fee expressions (typed into T_SJF/T_KCF or built
// from the charge bands) with the desktop engine's arithmetic, in memory, never on the project
// database. So a fee is the same whichever backend holds the project, and no keystroke waits for
// a server.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace torva::db {

class ArithmeticEngine {
 public:
  virtual ~ArithmeticEngine() = default;

  // The value of "select EXPRESSION as HJ" in the desktop dialect, for an expression that
  // CheckArithmeticExpression (dialect.h) accepted. Nothing when the arithmetic ends without a
  // number (a remainder by zero gives NULL); an overflow may give infinity. Throws DbError with the
  // engine's words on an arithmetic error (kDivisionByZero for "Division by zero", kOther for
  // "Overflow", "Invalid procedure call or argument", ...).
  virtual std::optional<double> Evaluate(const std::string& expression) = 0;
};

// A new engine, private to its owner (one per form).
std::unique_ptr<ArithmeticEngine> NewArithmeticEngine();

}  // namespace torva::db
