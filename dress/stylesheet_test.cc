#include "dress/stylesheet.h"

#include <gtest/gtest.h>

#include <string>

namespace quillery {
namespace {

const std::string kLink =
    "\r\n<link rel=\"StyleSheet\" href=\"Report.css\">\r\n";
const std::string kRules =
    "/* Font Definitions */\r\n@font-face {font-family:\xC4rial;}\r\n-->\r\n";

TEST(ExtractStylesheet, MovesWordsStyleBlockIntoTheStylesheet) {
  struct Row {
    const char* name;
    std::string page;
    std::string expectedPage;
    std::string expectedStylesheet;
  };
  const Row rows[] = {
      {"usual block",
       "<head>\r\n<style>\r\n<!--\r\n " + kRules + "</style>\r\n</head>",
       "<head>\r\n" + kLink + "\r\n</head>", "<!--\r\n\r\n" + kRules},
      {"tag 17 bytes before the rules",
       "<style>" + std::string(10, ' ') + "/* Font Definitions */ x</style>!",
       kLink + "!", "<!--\r\n\r\n/* Font Definitions */ x"},
      {"tag 18 bytes before the rules stays",
       "<style>" + std::string(11, ' ') + "/* Font Definitions */ x</style>!",
       "<style>" + std::string(11, ' ') + kLink + "!",
       "<!--\r\n\r\n/* Font Definitions */ x"},
      {"lowest tag start in the window",
       "<styl<style>/* Font Definitions */x</style>", kLink,
       "<!--\r\n\r\n/* Font Definitions */x"},
      {"tag with attributes and an exact tag elsewhere",
       "<style>p{}</style><style id=a>\r\n/* Font Definitions */x</style>",
       "<style>p{}</style>" + kLink, "<!--\r\n\r\n/* Font Definitions */x"},
      {"only the first block with the rules",
       "<style>/* Font Definitions */a</style><style>/* Font Definitions */b"
       "</style>",
       kLink + "<style>/* Font Definitions */b</style>",
       "<!--\r\n\r\n/* Font Definitions */a"},
      {"rules at the very end of the block",
       "x<style>/* Font Definitions */</style>", "x" + kLink,
       "<!--\r\n\r\n/* Font Definitions */"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const StylesheetCut cut = ExtractStylesheet(row.page, "Report.css");
    EXPECT_EQ(cut.stylesheet, row.expectedStylesheet);
    EXPECT_EQ(cut.page, row.expectedPage);
  }
}

TEST(ExtractStylesheet, LeavesThePageWhenAMarkerIsMissing) {
  const std::string pages[] = {
      "",
      "<style>p {}</style>",
      "<style>/* Font Definitions */ x",
      "<style></style><style>/* Font Definitions */ x",
      "<style id=a>/* Font Definitions */ x</style>",
      "<STYLE>/* Font Definitions */ x</STYLE>",
      "<style>/* font definitions */ x</style>",
  };
  for (const std::string& original : pages) {
    SCOPED_TRACE(original);
    const StylesheetCut cut = ExtractStylesheet(original, "Report.css");
    EXPECT_EQ(cut.stylesheet, "");
    EXPECT_EQ(cut.page, original);
  }
}

TEST(StylesheetLinkBlock, IsTheLinkThenTheVmlBehaviourLines) {
  EXPECT_EQ(StylesheetLinkBlock("Report.css"),
            kLink +
                "<style>\r\nv\\:* {behavior:url(#default#VML);}\r\n"
                "o\\:* {behavior:url(#default#VML);}\r\n"
                "w\\:* {behavior:url(#default#VML);}\r\n"
                ".shape {behavior:url(#default#VML);}\r\n</style>");
}

TEST(InsertStylesheetLink, LinksOnlyAStylesheetThatWasWritten) {
  struct Row {
    const char* name;
    std::string page;
    std::string stylesheetName;
    std::string expected;
    VmlRules vmlRules = VmlRules::kInclude;
  };
  const std::string vml(kVmlBehaviourStyle);
  const Row rows[] = {
      {"stylesheet written", "<head><title>T</title></head>", "Report.css",
       "<head><title>T</title>" + kLink + vml + "</head>"},
      {"no stylesheet: the drawing rules alone", "<head></head><body>", "",
       "<head>" + vml + "</head><body>"},
      {"upper-case head end tag", "<HEAD></HEAD>", "",
       "<HEAD>" + vml + "</HEAD>"},
      {"no head end tag", "<body>[QUILLERY]</body>", "Report.css",
       "<body>[QUILLERY]</body>"},
      {"no head end tag, no stylesheet", "<body></body>", "", "<body></body>"},
      {"empty page", "", "", ""},
      {"site page: the link alone", "<head></head>", "Report.css",
       "<head>" + kLink + "</head>", VmlRules::kLeaveOut},
      {"site page without a stylesheet: nothing", "<head></head>", "",
       "<head></head>", VmlRules::kLeaveOut},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(InsertStylesheetLink(row.page, row.stylesheetName, row.vmlRules),
              row.expected);
  }
}

}  // namespace
}  // namespace quillery
