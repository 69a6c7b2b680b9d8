// The bytes of SJKS.txt and the items they stand for.
#include "audit/coefficient_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "text/error.h"

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
  // "九五折" and "下浮八成" in code page 936.
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

// "九五折" and "下浮八成" as Windows writes them in code page 936.
const std::string kGbNinetyFive = "\xBE\xC5\xCE\xE5\xD5\xDB";
const std::string kGbEightyOff = "\xCF\xC2\xB8\xA1\xB0\xCB\xB3\xC9";

TEST(DecodeCoefficientListTest, TellsInWhichEncodingTheFileWasRead) {
  ListEncoding encoding = ListEncoding::kGb18030;
  DecodeCoefficientList("45\r\n九五折\r\n", &encoding);
  EXPECT_EQ(encoding, ListEncoding::kUtf8);
  DecodeCoefficientList(kGbNinetyFive + "\r\n45\r\n", &encoding);
  EXPECT_EQ(encoding, ListEncoding::kGb18030);
}

TEST(EncodeCoefficientListTest, WritesGb18030ForAListReadInIt) {
  const Items items = {"45", "下浮八成", "九五折"};
  const std::string bytes = EncodeCoefficientList(items, ListEncoding::kGb18030);
  EXPECT_EQ(bytes, "45\r\n" + kGbEightyOff + "\r\n" + kGbNinetyFive + "\r\n");
  ListEncoding encoding = ListEncoding::kUtf8;
  EXPECT_EQ(DecodeCoefficientList(bytes, &encoding), items);
  EXPECT_EQ(encoding, ListEncoding::kGb18030);
  // Every character has its GB18030 bytes, those beyond code page 936 too: nothing is lost.
  const Items beyond = {"45", "€", "😀"};
  EXPECT_EQ(DecodeCoefficientList(EncodeCoefficientList(beyond, ListEncoding::kGb18030)), beyond);
}

// "去" is C8 A5 in GB18030, which is also UTF-8, for "ȥ": such a list would come back changed.
TEST(EncodeCoefficientListTest, Gb18030ThatWouldReadAsOtherUtf8IsWrittenInUtf8) {
  const Items items = {"45", "去"};
  const std::string bytes = EncodeCoefficientList(items, ListEncoding::kGb18030);
  EXPECT_EQ(bytes, "45\r\n去\r\n");
  EXPECT_EQ(DecodeCoefficientList(bytes), items);
  // Beside an item that no UTF-8 reader takes, GB18030 it stays.
  EXPECT_EQ(EncodeCoefficientList({"去", "九五折"}, ListEncoding::kGb18030),
            "\xC8\xA5\r\n" + kGbNinetyFive + "\r\n");
}

TEST(EncodeCoefficientListTest, RefusesToWriteGb18030FromBytesThatAreNoUtf8) {
  EXPECT_THROW(EncodeCoefficientList({"45", "\xFF"}, ListEncoding::kGb18030), Error);
}

}  // namespace
}  // namespace torva::audit
