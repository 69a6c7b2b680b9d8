// The bytes of SJKS.txt and the items they stand for.
#include "audit/coefficient_list.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "text/error.h"
#include "unit/form_test_support.h"

namespace torva::audit {
namespace {

using Items = std::vector<std::string>;

// U+FEFF in UTF-8: the byte-order mark at the start of a file, an invisible character elsewhere.
const std::string kMark = "\xEF\xBB\xBF";

TEST(DecodeCoefficientListTest, LinesEndAtCrLfOrBoth) {
  EXPECT_EQ(DecodeCoefficientList("65\r\n100\n\r45\r7"), (Items{"65", "100", "", "45", "7"}));
  EXPECT_EQ(DecodeCoefficientList("45\r\n65\r\n"), (Items{"45", "65"}));
  EXPECT_EQ(DecodeCoefficientList("\r\n\r\n"), (Items{"", ""}));
  EXPECT_EQ(DecodeCoefficientList(""), Items{});
}

TEST(DecodeCoefficientListTest, DropsTheByteOrderMarkOfAUtf8File) {
  EXPECT_EQ(DecodeCoefficientList(kMark + "45\r\n"), Items{"45"});
  // Only one mark is the file's; a second one belongs to the first item.
  EXPECT_EQ(DecodeCoefficientList(kMark + kMark + "45"), Items{kMark + "45"});
}

TEST(DecodeCoefficientListTest, ReadsGb18030WhenTheBytesAreNotUtf8) {
  // "九五折" and "下浮八成" as Windows writes them in code page 936.
  EXPECT_EQ(DecodeCoefficientList("\xBE\xC5\xCE\xE5\xD5\xDB\r\n\xCF\xC2\xB8\xA1\xB0\xCB\xB3\xC9\r\n"
                                  "45\r\n"),
            (Items{"九五折", "下浮八成", "45"}));
}

TEST(DecodeCoefficientListTest, RefusesBytesOfNeitherEncoding) {
  try {
    DecodeCoefficientList("45\r\n\xFF\xFF\r\n");
    FAIL() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(),
                 "主程序目录下的系数列表文件 SJKS.txt 既不是 UTF-8 文本，也不是 GB18030 文本");
  }
}

TEST(EncodeCoefficientListTest, WritesEachItemWithCrLf) {
  EXPECT_EQ(EncodeCoefficientList({"100", "45", "", "九五折"}), "100\r\n45\r\n\r\n九五折\r\n");
  EXPECT_EQ(EncodeCoefficientList({}), "");
}

TEST(EncodeCoefficientListTest, AFirstItemBeginningWithU_FEFFSurvivesTheRoundTrip) {
  // Reading drops the file's own mark: without a mark of its own, the item would lose its first
  // character at the next reading.
  const Items items = {kMark + "45", "65"};
  const std::string bytes = EncodeCoefficientList(items);
  EXPECT_EQ(bytes, kMark + kMark + "45\r\n65\r\n");
  EXPECT_EQ(DecodeCoefficientList(bytes), items);
  // Only the first item matters; a later one keeps its character anyway.
  EXPECT_EQ(EncodeCoefficientList({"45", kMark + "65"}), "45\r\n" + kMark + "65\r\n");
}

TEST(WriteCoefficientFileTest, KeepsTheModeAndOwnerOfTheFileItReplaces) {
  namespace fs = std::filesystem;
  const fs::path dir = testing::MakeTempFolder("torva-list");
  const fs::path list = dir / "SJKS.txt";
  testing::WriteFile(list, "45\r\n");
  fs::permissions(list, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  // Only root may give the file away; anyone else checks the mode alone.
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(list.c_str(), 65534, 65534), 0);
  }
  WriteCoefficientFile(list.string(), {"45", "55"});
  EXPECT_EQ(testing::ReadFile(list), "45\r\n55\r\n");
  struct stat replaced;
  ASSERT_EQ(::stat(list.c_str(), &replaced), 0);
  EXPECT_EQ(replaced.st_mode & 07777, 0640u);
  if (root) {
    EXPECT_EQ(replaced.st_uid, 65534u);
    EXPECT_EQ(replaced.st_gid, 65534u);
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace torva::audit
