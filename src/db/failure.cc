#include "db/failure.h"

namespace torva::db {

bool NoWriteCanSucceed(FailureKind kind) {
  switch (kind) {
    case FailureKind::kReadOnly:
    case FailureKind::kReadOnlyFolder:
    case FailureKind::kFull:
    case FailureKind::kDamaged:
    case FailureKind::kNotADatabase:
    case FailureKind::kCannotOpen:
    case FailureKind::kCannotConnect:
    case FailureKind::kIo:
    case FailureKind::kMissingTable:
    case FailureKind::kConnectionLost:
      return true;
    case FailureKind::kOther:
    case FailureKind::kLocked:
    case FailureKind::kMissingColumn:
    case FailureKind::kDivisionByZero:
      return false;
  }
  return false;
}

}  // namespace torva::db
