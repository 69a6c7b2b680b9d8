#include "audit/failure_text.h"

#include <gtest/gtest.h>

#include <string>

#include "db/failure.h"
#include "text/error.h"

namespace torva::audit {
namespace {

using db::DbError;
using db::FailureKind;

TEST(FailureTextTest, ADatabaseFailureShowsItsCauseInChineseBeforeTheEnginesWords) {
  EXPECT_EQ(ErrorText(DbError(FailureKind::kNotADatabase, "file is not a database")),
            "该文件不是数据库：file is not a database");
  EXPECT_EQ(ErrorText(DbError(FailureKind::kLocked, "database is locked")),
            "数据库正被其他程序使用（已锁定）：database is locked");
  EXPECT_EQ(ErrorText(DbError(FailureKind::kMissingTable, "no such table: G_GCCS")),
            "数据库中没有这个数据表：no such table: G_GCCS");
  EXPECT_EQ(ErrorText(DbError(FailureKind::kDivisionByZero, "Division by zero")),
            "除数为零：Division by zero");
  // The kind decides, whatever language the engine speaks.
  EXPECT_EQ(ErrorText(DbError(FailureKind::kLocked, "canceling statement due to lock timeout")),
            "数据库正被其他程序使用（已锁定）：canceling statement due to lock timeout");
}

TEST(FailureTextTest, AFolderThatCannotBeWrittenIsToldApartFromAFile) {
  EXPECT_NE(FailureCause(FailureKind::kReadOnlyFolder), FailureCause(FailureKind::kReadOnly));
  EXPECT_NE(FailureCause(FailureKind::kReadOnlyFolder).find("文件夹"), std::string_view::npos);
}

TEST(FailureTextTest, AServerThatCannotBeReachedIsNotCalledAFile) {
  const std::string text = ErrorText(DbError(FailureKind::kCannotConnect,
                                             "connection to server on socket failed"));
  EXPECT_EQ(text, "无法连接数据库服务器：connection to server on socket failed");
  EXPECT_EQ(text.find("文件"), std::string::npos);
  EXPECT_NE(FailureCause(FailureKind::kCannotOpen).find("文件"), std::string_view::npos);
}

TEST(FailureTextTest, OtherErrorsAndFailuresOfNoKindStayAsTheyAre) {
  EXPECT_EQ(ErrorText(Error("请输入计算数字！")), "请输入计算数字！");
  // Words alone never decide: a text the form composed keeps its own cause.
  EXPECT_EQ(ErrorText(Error("database is locked")), "database is locked");
  EXPECT_EQ(ErrorText(DbError(FailureKind::kOther, "near \"x\": syntax error")),
            "near \"x\": syntax error");
}

}  // namespace
}  // namespace torva::audit
