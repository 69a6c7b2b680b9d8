#include "audit/db_error_text.h"

namespace torva::audit {

namespace {

struct Known {
  std::string_view engine;   // how the engine's message begins
  std::string_view chinese;  // what it means to the auditor
};

constexpr Known kKnown[] = {
    {"file is not a database", "该文件不是数据库"},
    {"database is locked", "数据库正被其他程序使用（已锁定）"},
    {"database table is locked", "数据表正被其他程序使用（已锁定）"},
    {"no such table", "数据库中没有这个数据表"},
    {"no such column", "数据表中没有这个字段"},
    {"Division by zero", "除数为零"},
    {"attempt to write a readonly database", "数据库文件是只读的，不能写入"},
    {"database or disk is full", "磁盘已满，不能写入数据库"},
    {"database disk image is malformed", "数据库文件已损坏"},
    {"unable to open database file", "无法打开数据库文件"},
    {"disk I/O error", "读写数据库文件时磁盘出错"},
};

}  // namespace

std::string WithChineseDbError(std::string_view text) {
  for (const Known& known : kKnown) {
    if (text.substr(0, known.engine.size()) == known.engine) {
      return std::string(known.chinese) + "：" + std::string(text);
    }
  }
  return std::string(text);
}

}  // namespace torva::audit
