#include "audit/failure_text.h"

namespace torva::audit {

std::string_view FailureCause(db::FailureKind kind) {
  using db::FailureKind;
  switch (kind) {
    case FailureKind::kNotADatabase:
      return "该文件不是数据库";
    case FailureKind::kLocked:
      return "数据库正被其他程序使用（已锁定）";
    case FailureKind::kMissingTable:
      return "数据库中没有这个数据表";
    case FailureKind::kMissingColumn:
      return "数据表中没有这个字段";
    case FailureKind::kDivisionByZero:
      return "除数为零";
    case FailureKind::kReadOnly:
      return "数据库文件是只读的，不能写入";
    case FailureKind::kReadOnlyFolder:
      return "数据库文件所在的文件夹是只读的，不能写入";
    case FailureKind::kFull:
      return "磁盘已满，不能写入数据库";
    case FailureKind::kDamaged:
      return "数据库文件已损坏";
    case FailureKind::kCannotOpen:
      return "无法打开数据库文件";
    case FailureKind::kCannotConnect:
      return "无法连接数据库服务器";
    case FailureKind::kIo:
      return "读写数据库文件时磁盘出错";
    case FailureKind::kConnectionLost:
      return "与数据库服务器的连接已断开";
    case FailureKind::kOther:
      break;
  }
  return {};
}

std::string ErrorText(const std::exception& error) {
  const auto* failure = dynamic_cast<const db::DbError*>(&error);
  if (failure == nullptr) return error.what();
  const std::string_view cause = FailureCause(failure->kind());
  if (cause.empty()) return error.what();
  return std::string(cause) + "：" + error.what();
}

}  // namespace torva::audit
