#include "audit/db_error_text.h"

#include <gtest/gtest.h>

namespace torva::audit {
namespace {

TEST(DbErrorTextTest, EngineMessagesTheFormShowsGetAChineseCauseBeforeThem) {
  EXPECT_EQ(WithChineseDbError("file is not a database"), "该文件不是数据库：file is not a database");
  EXPECT_EQ(WithChineseDbError("database is locked"),
            "数据库正被其他程序使用（已锁定）：database is locked");
  EXPECT_EQ(WithChineseDbError("no such table: G_GCCS."),
            "数据库中没有这个数据表：no such table: G_GCCS.");
  EXPECT_EQ(WithChineseDbError("Division by zero"), "除数为零：Division by zero");
}

TEST(DbErrorTextTest, OtherTextsAndExplainedOnesStayAsTheyAre) {
  EXPECT_EQ(WithChineseDbError("请输入计算数字！"), "请输入计算数字！");
  // Only a message that begins with the engine's words is explained, never one quoting them.
  EXPECT_EQ(WithChineseDbError("参数无法保存到项目数据库：database is locked"),
            "参数无法保存到项目数据库：database is locked");
  EXPECT_EQ(WithChineseDbError(""), "");
}

}  // namespace
}  // namespace torva::audit
