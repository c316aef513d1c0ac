// The INI document: names without regard to case, unknown lines kept,
// damaged text read without a fault, CR LF on writing, and the file written
// through a temporary file.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "persistence/IniDocument.h"
#include "persistence/IniFile.h"
#include "PersistenceFakes.h"

namespace tarvo::test {
namespace {

TEST(IniDocumentTest, NamesMatchWithoutCaseAndValuesStayAsWritten) {
  const TIniDocument doc = TIniDocument::Parse("[can_setup]\r\nenhancedBAUD=109\r\nComment 0= two  spaces \r\n");
  EXPECT_TRUE(doc.SectionExists("CAN_SETUP"));
  EXPECT_EQ(doc.ReadInteger("CAN_SETUP", "EnhancedBaud", 0), 109);
  EXPECT_EQ(doc.ReadString("Can_Setup", "COMMENT 0", "x"), " two  spaces ");
}

struct IntegerCase {
  const char* text;
  int32_t expected;  // fallback 42 when not a number
};

class IniIntegerTest : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(IniIntegerTest, ReadsDecimalIntegersOrTheFallback) {
  const TIniDocument doc = TIniDocument::Parse(std::string("[S]\nK=") + GetParam().text + "\n");
  EXPECT_EQ(doc.ReadInteger("S", "K", 42), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, IniIntegerTest,
                         ::testing::Values(IntegerCase{"0", 0}, IntegerCase{"-1", -1}, IntegerCase{" 17 ", 17},
                                           IntegerCase{"+5", 5}, IntegerCase{"2147483647", 2147483647},
                                           IntegerCase{"2147483648", 42}, IntegerCase{"", 42},
                                           IntegerCase{"abc", 42}, IntegerCase{"12abc", 42},
                                           IntegerCase{"0x10", 42}, IntegerCase{"1.5", 42},
                                           IntegerCase{"--1", 42}, IntegerCase{"+-1", 42}));

TEST(IniDocumentTest, BooleansAreIntegersWithAnyNonZeroTrue) {
  const TIniDocument doc = TIniDocument::Parse("[S]\nA=0\nB=7\nC=yes\n");
  EXPECT_FALSE(doc.ReadBool("S", "A", true));
  EXPECT_TRUE(doc.ReadBool("S", "B", false));
  EXPECT_FALSE(doc.ReadBool("S", "C", false));  // not a number: the fallback
  EXPECT_TRUE(doc.ReadBool("S", "missing", true));
}

TEST(IniDocumentTest, UnknownSectionsKeysAndCommentsSurviveAWrite) {
  TIniDocument doc = TIniDocument::Parse(
      "; written by hand\n[MINE]\nKeep=me\n[OPTIONS]\nNumericBase=0\nExtra=1\n[broken\nno equals sign\n");
  doc.WriteInteger("options", "NUMERICBASE", 1);
  doc.WriteString("NEW", "Key", "v");
  EXPECT_EQ(doc.Serialize(),
            "; written by hand\r\n\r\n[MINE]\r\nKeep=me\r\n\r\n[OPTIONS]\r\nNumericBase=1\r\nExtra=1\r\n"
            "[broken\r\nno equals sign\r\n\r\n[NEW]\r\nKey=v\r\n");
}

TEST(IniDocumentTest, RepeatedSectionsJoinAndTheFirstKeyCounts) {
  TIniDocument doc = TIniDocument::Parse("[A]\nK=1\nK=2\n[B]\nX=0\n[a]\nL=3\n");
  EXPECT_EQ(doc.ReadInteger("A", "K", 0), 1);
  EXPECT_EQ(doc.ReadInteger("A", "L", 0), 3);
  doc.WriteInteger("A", "K", 9);
  EXPECT_EQ(doc.ReadInteger("A", "K", 0), 9);
  EXPECT_EQ(doc.SectionNames(), (std::vector<std::string>{"A", "B"}));
}

TEST(IniDocumentTest, EraseSectionRemovesEveryLineOfIt) {
  TIniDocument doc = TIniDocument::Parse("[CAN_VIEW]\nMode=1\n[CAN_TRANSMIT]\nTx 4=1\n[LOG_OPTIONS]\nFileType=2\n");
  doc.EraseSection("can_transmit");
  EXPECT_FALSE(doc.SectionExists("CAN_TRANSMIT"));
  EXPECT_EQ(doc.ReadInteger("LOG_OPTIONS", "FileType", 0), 2);
  doc.WriteInteger("CAN_TRANSMIT", "NoOfItems", 0);
  EXPECT_FALSE(doc.ValueExists("CAN_TRANSMIT", "Tx 4"));
}

TEST(IniDocumentTest, LineBreaksInAValueCannotStartANewKey) {
  TIniDocument doc;
  doc.WriteString("S", "Comment 0", "a\r\n[EVIL]\nKey=1");
  const TIniDocument back = TIniDocument::Parse(doc.Serialize());
  EXPECT_FALSE(back.SectionExists("EVIL"));
  EXPECT_EQ(back.ReadString("S", "Comment 0", ""), "a  [EVIL] Key=1");
}

TEST(IniDocumentTest, EveryLineEndIsReadAndByteOrderMarksAreHonoured) {
  for (const char* text : {"[S]\rK=1\r", "[S]\nK=1\n", "[S]\r\nK=1", "\xEF\xBB\xBF[S]\r\nK=1\r\n"}) {
    EXPECT_EQ(TIniDocument::Parse(text).ReadInteger("S", "K", 0), 1) << text;
  }
  const std::string utf16("\xFF\xFE[\0S\0]\0\r\0\n\0K\0=\0\xE9\0", 18);
  EXPECT_EQ(TIniDocument::Parse(utf16).ReadString("S", "K", ""), "\xC3\xA9");
  const std::string bigEndian("\xFE\xFF\0[\0S\0]\0\n\0K\0=\xD8\x3D", 16);  // a lone surrogate at the end
  EXPECT_EQ(TIniDocument::Parse(bigEndian).ReadString("S", "K", ""), "\xEF\xBF\xBD");
}

TEST(IniDocumentTest, TextThatOpensLikeAByteOrderMarkReadsBackUnchanged) {
  const TIniDocument doc = TIniDocument::Parse("\xEF\xBB\xBF\xFF\xFE[S]\nK=1\n");
  const std::string text = doc.Serialize();
  EXPECT_EQ(TIniDocument::Parse(text).Serialize(), text);
  EXPECT_EQ(TIniDocument::Parse(text).SectionNames(), doc.SectionNames());
}

TEST(IniDocumentTest, DamagedTextGivesFallbacksWithoutAFault) {
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += char((i * 131 + 7) & 0xFF);
  const std::string longLine = "[S]\nK=" + std::string(10 * 1024 * 1024, '7') + "\n";
  for (const std::string& text : {std::string(), garbage, longLine, std::string("[S"), std::string("[]\n=\n=x\n")}) {
    const TIniDocument doc = TIniDocument::Parse(text);
    EXPECT_EQ(doc.ReadInteger("S", "K", -5), -5);
    EXPECT_NO_THROW((void)doc.Serialize());
  }
}

TEST(IniFileTest, MissingUnreadableAndReadFilesAreTold) {
  ScratchFolder dir;
  TIniDocument doc;
  EXPECT_EQ(ReadIniFile(dir.File("none.ini"), doc), TIniReadResult::Missing);
  EXPECT_EQ(ReadIniFile(dir.Dir(), doc), TIniReadResult::Failed);  // a folder
  dir.Write("a.ini", "[S]\nK=3\n");
  EXPECT_EQ(ReadIniFile(dir.File("a.ini"), doc), TIniReadResult::Read);
  EXPECT_EQ(doc.ReadInteger("S", "K", 0), 3);
}

TEST(IniFileTest, AFailedWriteLeavesTheOldFileAndNoTemporaryFile) {
  ScratchFolder dir;
  // A folder where the file should be: the rename over it fails.
  std::filesystem::create_directories(dir.Path() / "Tarvo.ini" / "inside");
  EXPECT_FALSE(WriteIniFile(dir.File("Tarvo.ini"), TIniDocument::Parse("[S]\nK=1\n")));
  EXPECT_TRUE(std::filesystem::is_directory(dir.Path() / "Tarvo.ini" / "inside"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
  // A folder that does not exist.
  EXPECT_FALSE(WriteIniFile(dir.File("missing/Tarvo.ini"), TIniDocument::Parse("[S]\nK=1\n")));
}

TEST(IniFileTest, ASuccessfulWriteReplacesTheFileAndKeepsItsPermissions) {
  ScratchFolder dir;
  const std::string path = dir.Write("a.ini", "[OLD]\nX=1\n");
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  ASSERT_TRUE(WriteIniFile(path, TIniDocument::Parse("[S]\nK=1\n")));
  EXPECT_EQ(dir.Read("a.ini"), "[S]\r\nK=1\r\n");
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
}

TEST(IniFileTest, ReadOnlyMeansNoWritePermissionBit) {
  ScratchFolder dir;
  const std::string path = dir.Write("a.cfx", "");
  EXPECT_FALSE(IsReadOnlyFile(path));
  std::filesystem::permissions(path, std::filesystem::perms(0444));
  EXPECT_TRUE(IsReadOnlyFile(path));
  EXPECT_FALSE(IsReadOnlyFile(dir.File("none.cfx")));
}

}  // namespace
}  // namespace tarvo::test
