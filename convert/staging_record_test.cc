#include "convert/staging_record.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "text/site_path.h"

namespace quillery {
namespace {

RecordBinding Binding() {
  RecordBinding binding;
  binding.siteDevice = 2049;
  binding.siteInode = 131;
  binding.stagingInode = 977;
  return binding;
}

RecordedRename Rename(RenameRole role, std::string name, std::string target,
                      bool existed = false) {
  RecordedRename rename;
  rename.role = role;
  rename.stagedName = std::move(name);
  rename.target = std::move(target);
  rename.existed = existed;
  if (existed) {
    rename.size = 12;
    rename.modifiedNs = -5;
  }
  return rename;
}

TEST(StagedName, CountsInLettersAndDigitsAndIsRecognised) {
  EXPECT_EQ(StagedName(0), "0");
  EXPECT_EQ(StagedName(2), "2");
  EXPECT_EQ(StagedName(61), "Z");
  EXPECT_EQ(StagedName(62), "10");
  EXPECT_EQ(StagedName(916132831), "ZZZZZ");
  for (std::size_t n : {0u, 1u, 9u, 62u, 3843u, 3844u, 916132831u}) {
    EXPECT_TRUE(IsStagedName(StagedName(n))) << n;
  }
  for (const char* name :
       {"", "00", "01", "a.b", "..", "record", "_originals", "100000", "x/y"}) {
    EXPECT_FALSE(IsStagedName(name)) << name;
  }
}

TEST(IsPlainRelativePath, TakesOnlyPlainNames) {
  for (const char* path : {"a.htm", "sub\\a b.htm", "x..y\\.hidden", "%2E"}) {
    EXPECT_TRUE(IsPlainRelativePath(path)) << path;
  }
  for (const char* path :
       {"", "\\a.htm", "a\\\\b", "a\\", "..\\outside\\x", "a\\..\\..\\x",
        ".\\a", "a\\.", "../x", "a/b", "C:\\x", "c:x"}) {
    EXPECT_FALSE(IsPlainRelativePath(path)) << path;
  }
  EXPECT_FALSE(IsPlainRelativePath(std::string_view("a\0b", 3)));
}

TEST(ParseRecord, ReadsBackWhatItWrites) {
  const std::vector<RecordedRename> renames = {
      Rename(RenameRole::kNewFile, "2", "doc_p1.htm"),
      Rename(RenameRole::kNewFile, "3", "sub dir\\100% \x7f\xe9.htm", true),
      Rename(RenameRole::kTocFramePage, "1", "toc.htm", true),
      Rename(RenameRole::kMainFile, "0", "doc.htm", true),
  };
  const std::string text = FormatRecord(Binding(), renames);
  EXPECT_EQ(text.substr(0, text.find('\n')),
            "quillery staging record 2 2049 131 977");
  EXPECT_NE(text.find(" sub%20dir\\100%25%20%7F\xe9.htm\n"), std::string::npos);
  std::string problem;
  const auto parsed = ParseRecord(text, Binding(), problem);
  ASSERT_TRUE(parsed.has_value()) << problem;
  EXPECT_EQ(*parsed, renames);
}

TEST(ParseRecord, RefusesEveryRecordOurWriterDoesNotMake) {
  const std::string heading = "quillery staging record 2 2049 131 977\n";
  struct Row {
    const char* name;
    std::string text;
    const char* problem;
  };
  const Row rows[] = {
      {"empty", "", "the record is not quillery's"},
      {"garbage",
       std::string("\x7f"
                   "ELF\0\0\n",
                   7),
       "the record is not quillery's"},
      {"the older format", "quillery staging record 1\nn 2 0 0 0 a.htm\n",
       "the record is not quillery's"},
      {"another site folder",
       "quillery staging record 2 2049 132 977\nn 2 0 0 0 a.htm\n",
       "the record was not written in this folder"},
      {"another staging folder",
       "quillery staging record 2 2049 131 978\nn 2 0 0 0 a.htm\n",
       "the record was not written in this folder"},
      {"no file", heading, "the record names no file"},
      {"cut short", heading + "n 2 0 0 0 a.htm", "the record is cut short"},
      {"a line too long",
       heading + "n 2 0 0 0 " + std::string(kMaxRecordLine, 'a') + "\n",
       "a line of the record is too long"},
      {"a target out of the site", heading + "n 2 0 0 0 ..\\outside\\x.txt\n",
       "line 2 of the record is malformed"},
      {"an escaped way out", heading + "n 2 0 0 0 %2E%2E%2Foutside%2Fx\n",
       "line 2 of the record is malformed"},
      {"an escaped separator", heading + "n 2 0 0 0 %2E%2E%5Cx\n",
       "line 2 of the record is malformed"},
      {"an absolute target", heading + "n 2 0 0 0 \\tmp\\x\n",
       "line 2 of the record is malformed"},
      {"a zero byte", heading + "n 2 0 0 0 a%00b\n",
       "line 2 of the record is malformed"},
      {"a raw zero byte", heading + std::string("n 2 0 0 0 a\0b\n", 14),
       "line 2 of the record is malformed"},
      {"lower-case escape", heading + "n 2 0 0 0 a%2e\n",
       "line 2 of the record is malformed"},
      {"a staged name out of the staging folder",
       heading + "n ../../../outside/secret.txt 0 0 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"the main file's staged name for a new file",
       heading + "n 0 0 0 0 a.htm\n", "line 2 of the record is malformed"},
      {"another role", heading + "x 2 0 0 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"a main file under another name", heading + "m 5 0 0 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"sizes of a file that did not exist", heading + "n 2 0 5 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"a size beyond 64 bits",
       heading + "n 2 1 18446744073709551616 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"a signed size", heading + "n 2 1 +5 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"two blanks", heading + "n 2  0 0 0 a.htm\n",
       "line 2 of the record is malformed"},
      {"a seventh field", heading + "n 2 0 0 0 a.htm b\n",
       "line 2 of the record is malformed"},
      {"a CR at the end", heading + "n 2 0 0 0 a.htm\r\n",
       "line 2 of the record is malformed"},
      {"a new file after the main file",
       heading + "m 0 1 3 4 doc.htm\nn 2 0 0 0 a.htm\n",
       "line 3 of the record is out of order"},
      {"two main files", heading + "m 0 1 3 4 doc.htm\nm 0 1 3 4 doc2.htm\n",
       "line 3 of the record is out of order"},
      {"one target twice", heading + "n 2 0 0 0 a.htm\nn 3 0 0 0 a.htm\n",
       "the record names a file twice"},
      {"one staged name twice", heading + "n 2 0 0 0 a.htm\nn 2 0 0 0 b.htm\n",
       "the record names a file twice"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string problem;
    EXPECT_FALSE(ParseRecord(row.text, Binding(), problem).has_value());
    EXPECT_EQ(problem, row.problem);
  }
}

SwapRecord Swap(std::string name) {
  SwapRecord record;
  record.parentDevice = 2049;
  record.parentInode = 131;
  record.newInode = 977;
  record.earlierInode = 18446744073709551615u;
  record.name = std::move(name);
  return record;
}

TEST(ParseSwapRecord, ReadsBackWhatItWrites) {
  for (const char* name :
       {"out", "a b%c", "\x7f\x01z", ".out", "caf\xc3\xa9", "x.quillery"}) {
    SCOPED_TRACE(name);
    const std::string text = FormatSwapRecord(Swap(name));
    EXPECT_EQ(ParseSwapRecord(text), Swap(name));
  }
  EXPECT_EQ(FormatSwapRecord(Swap("my out")),
            "quillery swap record 1 2049 131 977 18446744073709551615 "
            "my%20out\n");
}

TEST(ParseSwapRecord, RefusesEveryRecordOurWriterDoesNotMake) {
  const std::string good = "quillery swap record 1 2049 131 977 5 out\n";
  ASSERT_TRUE(ParseSwapRecord(good));
  struct Row {
    const char* name;
    std::string text;
  };
  const Row rows[] = {
      {"empty", ""},
      {"cut short", good.substr(0, good.size() - 1)},
      {"a second line", good + good},
      {"another version", "quillery swap record 2 2049 131 977 5 out\n"},
      {"a staging record", "quillery staging record 2 2049 131 977 5 out\n"},
      {"a field missing", "quillery swap record 1 2049 131 977 out\n"},
      {"a field too many", "quillery swap record 1 2049 131 977 5 out x\n"},
      {"two blanks", "quillery swap record 1 2049  131 977 5 out\n"},
      {"a negative number", "quillery swap record 1 2049 -131 977 5 out\n"},
      {"a leading zero", "quillery swap record 1 2049 0131 977 5 out\n"},
      {"too large", "quillery swap record 1 18446744073709551616 1 2 3 out\n"},
      {"no name", "quillery swap record 1 2049 131 977 5 \n"},
      {"the parent", "quillery swap record 1 2049 131 977 5 ..\n"},
      {"the folder itself", "quillery swap record 1 2049 131 977 5 .\n"},
      {"a path", "quillery swap record 1 2049 131 977 5 a\\out\n"},
      {"a slash", "quillery swap record 1 2049 131 977 5 ..%2Fout\n"},
      {"an absolute path", "quillery swap record 1 2049 131 977 5 \\etc\n"},
      {"a drive", "quillery swap record 1 2049 131 977 5 C:out\n"},
      {"a zero byte", "quillery swap record 1 2049 131 977 5 o%00t\n"},
      {"an escaped separator", "quillery swap record 1 1 2 3 4 a%5Cb\n"},
      {"a lower-case escape", "quillery swap record 1 1 2 3 4 a%2fb\n"},
      {"a raw control byte", "quillery swap record 1 1 2 3 4 a\tb\n"},
      {"a name too long",
       "quillery swap record 1 1 2 3 4 " + std::string(256, 'n') + "\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(ParseSwapRecord(row.text));
  }
}

// Where the staging folder folds letter case, "a" and "A" would be one file.
TEST(StagedName, WhereCaseFoldsCountsInDigitsAndSmallLetters) {
  EXPECT_EQ(StagedName(10, /*foldsLetterCase=*/true), "a");
  EXPECT_EQ(StagedName(35, /*foldsLetterCase=*/true), "z");
  EXPECT_EQ(StagedName(36, /*foldsLetterCase=*/true), "10");
  std::set<std::string> folded;
  for (std::size_t n = 0; n < 36 * 36 + 5; ++n) {
    const std::string name = StagedName(n, /*foldsLetterCase=*/true);
    EXPECT_TRUE(IsStagedName(name)) << n;
    EXPECT_TRUE(folded.insert(FoldedLetterCase(name)).second) << n;
  }
}

TEST(ParseRecord, WhereCaseFoldsRefusesOneFileNamedInTwoCases) {
  struct Row {
    const char* name;
    std::vector<RecordedRename> renames;
  };
  const Row rows[] = {
      {"targets",
       {Rename(RenameRole::kNewFile, "2", "Doc_p1.htm"),
        Rename(RenameRole::kNewFile, "3", "doc_P1.htm")}},
      {"staged names",
       {Rename(RenameRole::kNewFile, "a", "doc_p1.htm"),
        Rename(RenameRole::kNewFile, "A", "doc_p2.htm")}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string text = FormatRecord(Binding(), row.renames);
    std::string problem;
    EXPECT_EQ(ParseRecord(text, Binding(), problem), row.renames);
    EXPECT_FALSE(ParseRecord(text, Binding(), problem,
                             /*foldsLetterCase=*/true)
                     .has_value());
    EXPECT_EQ(problem, "the record names a file twice");
  }
}

}  // namespace
}  // namespace quillery
