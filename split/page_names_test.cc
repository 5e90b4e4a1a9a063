#include "split/page_names.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(PageNameOf, TakesTheTextAfterTheLastBackslash) {
  EXPECT_EQ(PageNameOf("C:\\site\\Report.htm"), "Report.htm");
  EXPECT_EQ(PageNameOf("Report.htm"), "Report.htm");
  EXPECT_EQ(PageNameOf("sub\\Report.htm"), "Report.htm");
}

TEST(PageNameOf, KeepsTheFolderASlashNames) {
  EXPECT_EQ(PageNameOf("sub/Report.htm"), "sub/Report.htm");
  EXPECT_EQ(PageNameOf("a/b/Report.htm"), "a/b/Report.htm");
  EXPECT_EQ(PageNameOf("\\tmp\\site\\sub/Report.htm"), "sub/Report.htm");
}

TEST(PageNameOf, EmptyNameBecomesTocHtm) {
  EXPECT_EQ(PageNameOf("C:\\site\\"), "TOC.htm");
  EXPECT_EQ(PageNameOf(""), "TOC.htm");
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

}  // namespace
}  // namespace quillery
