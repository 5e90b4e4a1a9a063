#include "dress/header_footer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quillery {
namespace {

struct Row {
  const char* name;
  std::string text;
  int breakLines;
  std::vector<std::int32_t> placements;
  std::string expected;
};

TEST(AddHeader, PutsTheHeaderBlockAboveThePage) {
  const Row rows[] = {
      {"one placement", "<p>H</p>", 0, {0}, "\r\n<p>H</p>\r\n<BR>\r\nPAGE"},
      {"given twice", "H", 0, {0, 0}, "\r\nH\r\nH\r\n<BR>\r\nPAGE"},
      {"two break lines", "H", 2, {0}, "\r\nH\r\n<BR>\r\n<BR>\r\n<BR>\r\nPAGE"},
      {"other codes add nothing", "H", 0, {1, 0, 7}, "\r\nH\r\n<BR>\r\nPAGE"},
      {"negative count", "H", -3, {0}, "\r\nH\r\n<BR>\r\nPAGE"},
      {"no placement", "H", 1, {}, "PAGE"},
      {"only footer codes", "H", 1, {1, 1}, "PAGE"},
      {"empty header text", "", 1, {0}, "PAGE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AddHeader("PAGE", row.text, row.breakLines, row.placements),
              row.expected);
  }
}

TEST(AddFooter, PutsTheFooterBlockBelowThePage) {
  const Row rows[] = {
      {"one placement", "<p>F</p>", 0, {1}, "PAGE\r\n<BR>\r\n\r\n<p>F</p>"},
      {"given twice", "F", 0, {1, 1}, "PAGE\r\n<BR>\r\n\r\nF\r\nF"},
      {"two break lines", "F", 2, {1}, "PAGE\r\n<BR>\r\n\r\n<BR>\r\n<BR>\r\nF"},
      {"no placement", "F", 1, {}, "PAGE"},
      {"only header codes", "F", 1, {0, 0}, "PAGE"},
      {"empty footer text", "", 1, {1}, "PAGE"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(AddFooter("PAGE", row.text, row.breakLines, row.placements),
              row.expected);
  }
}

TEST(AddHeaderAndFooter, AddsOneBreakLineOnEachSide) {
  const std::vector<std::int32_t> header = {kHeaderTextCode};
  const std::vector<std::int32_t> footer = {kFooterTextCode};
  EXPECT_EQ(AddHeaderAndFooter("BODY", "H", "F", header, footer),
            "\r\nH\r\n<BR>\r\n<BR>\r\nBODY\r\n<BR>\r\n\r\n<BR>\r\nF");
  EXPECT_EQ(AddHeaderAndFooter("BODY", "", "", header, footer), "BODY");
  EXPECT_EQ(AddHeaderAndFooter("BODY", "", "F", header, footer),
            "BODY\r\n<BR>\r\n\r\n<BR>\r\nF");
}

}  // namespace
}  // namespace quillery
