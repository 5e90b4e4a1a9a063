#include "split/paths.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(DirectoryOf, TakesTheTextBeforeTheLastBackslash) {
  EXPECT_EQ(DirectoryOf("C:\\site\\Report.htm"), "C:\\site");
  EXPECT_EQ(DirectoryOf("Report.htm"), "");
  EXPECT_EQ(DirectoryOf("\\tmp\\site\\doc_files/toc.htm"), "\\tmp\\site");
  EXPECT_EQ(DirectoryOf(""), "");
}

TEST(FileNameOf, TakesTheTextAfterTheLastBackslash) {
  EXPECT_EQ(FileNameOf("C:\\site\\Report.htm"), "Report.htm");
  EXPECT_EQ(FileNameOf("Report.htm"), "Report.htm");
  EXPECT_EQ(FileNameOf("sub/Report.htm"), "sub/Report.htm");
}

TEST(FileNameOf, EmptyNameBecomesTocHtm) {
  EXPECT_EQ(FileNameOf("C:\\site\\"), "TOC.htm");
  EXPECT_EQ(FileNameOf(""), "TOC.htm");
}

TEST(StripHtmExtension, CutsAtTheFirstHtmAfterTheStart) {
  struct Row {
    const char* name;
    const char* expected;
  };
  const Row rows[] = {
      {"Report.htm", "Report"},
      {"Report.html", "Report"},
      {"a.b.htm.htm", "a.b"},
      {".htm", ".htm"},
      {"REPORT.HTM", "REPORT.HTM"},
      {"Report_files/Body.htm", "Report_files/Body"},
      {"", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(StripHtmExtension(row.name), row.expected);
  }
}

TEST(PathComponents, SplitsAtBothSeparatorsAndDropsEmptyAndDotComponents) {
  using Parts = std::vector<std::string>;
  EXPECT_EQ(PathComponents("\\site\\./doc_files//toc.htm"),
            (Parts{"site", "doc_files", "toc.htm"}));
  EXPECT_EQ(PathComponents("../a/.."), (Parts{"..", "a", ".."}));
  EXPECT_EQ(PathComponents(""), Parts{});
  EXPECT_EQ(PathComponents("/"), Parts{});
}

}  // namespace
}  // namespace quillery
