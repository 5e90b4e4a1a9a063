#include "split/frame_source.h"

#include <gtest/gtest.h>

namespace quillery {
namespace {

TEST(FindFrameSource, TakesTheSourceLiterally) {
  struct Row {
    const char* name;
    const char* frames;
    const char* frame;
    std::optional<std::string> expected;
  };
  const Row rows[] = {
      {"quoted", "<frame name=TOC src=\"doc_files/toc.htm\">", "TOC",
       "doc_files/toc.htm"},
      {"%20 decoded, other escapes kept",
       "<frame name=TOC src=\"doc_files/toc%20a%41.htm\">", "TOC",
       "doc_files/toc a%41.htm"},
      {"unquoted ends at a blank",
       "<frame name=TOC src=toc.htm scrolling=auto>", "TOC", "toc.htm"},
      {"unquoted without a blank", "<frame name=TOC src=toc.htm>", "TOC",
       std::nullopt},
      {"empty quoted value runs to the next quote",
       "<frame name=TOC src=\"\" scrolling=\"auto\">", "TOC", "\" scrolling="},
      {"quoted without an end falls back to the blank form",
       "<frame name=TOC src=\"toc.htm scrolling=auto>", "TOC", "\"toc.htm"},
      {"other frame", "<frame name=Frame1 src=\"doc.htm\">", "TOC",
       std::nullopt},
      {"Frame1",
       "<frame name=TOC src=\"t.htm\"><frame name=Frame1 src=\"My%20Doc.htm\">",
       "Frame1", "My Doc.htm"},
      {"name is case-sensitive", "<frame name=toc src=\"t.htm\">", "TOC",
       std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FindFrameSource(row.frames, row.frame), row.expected);
  }
}

TEST(LeavesItsFolder, RefusesAbsoluteAndParentPaths) {
  struct Row {
    const char* source;
    bool expected;
  };
  const Row rows[] = {
      {"toc.htm", false},
      {"doc_files/toc.htm", false},
      {"doc_files\\toc.htm", false},
      {"a..b/x..htm", false},
      {"/etc/passwd", true},
      {"\\x.htm", true},
      {"C:x.htm", true},
      {"c:\\x.htm", true},
      {"../x.htm", true},
      {"a/../x.htm", true},
      {"a\\..\\x.htm", true},
      {"..", true},
      {"a/..", true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.source);
    EXPECT_EQ(LeavesItsFolder(row.source), row.expected);
  }
}

}  // namespace
}  // namespace quillery
