#include "split/charset.h"

#include <gtest/gtest.h>

#include <string>

namespace quillery {
namespace {

TEST(ExtractCharsetTag, TakesTheWholeTagAroundTheFirstCharset) {
  struct Row {
    const char* name;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"Word meta tag",
       "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
       "charset=utf-8\">\r\n<meta name=Generator>",
       "<meta http-equiv=Content-Type content=\"text/html; charset=utf-8\">"},
      {"empty text", "", ""},
      {"no charset", "<html><head><title>x</title></head>", ""},
      {"upper-case CHARSET is not looked for",
       "<html><meta content=\"text/html; CHARSET=utf-8\">", ""},
      {"first of two", "<html><a charset=1><b charset=2>", "<a charset=1>"},
      {"first > after it, even inside a value",
       "<html><meta content=\"a; charset=x>y\">",
       "<meta content=\"a; charset=x>"},
      {"tag at byte 0 is not taken", "<meta charset=x>", ""},
      {"no < before it", "charset=x>", ""},
      {"no > after it", "<html><meta charset=x", ""},
      {"bytes above 127 kept", "<html><meta charset=\xE4\xFF>",
       "<meta charset=\xE4\xFF>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ExtractCharsetTag(row.text), row.expected);
  }
}

TEST(InsertCharsetTag, InsertsBeforeTheClosingHeadUnlessDeclared) {
  const std::string tag = "<meta charset=x>";
  struct Row {
    const char* name;
    std::string text;
    std::string tag;
    std::string expected;
  };
  const Row rows[] = {
      {"lower-case closing head", "<html><head>\r\n</head><body>", tag,
       "<html><head>\r\n<meta charset=x></head><body>"},
      {"upper-case closing head", "<HTML><HEAD></HEAD>", tag,
       "<HTML><HEAD><meta charset=x></HEAD>"},
      {"first closing head", "<head></head>x</head>", tag,
       "<head><meta charset=x></head>x</head>"},
      {"charset= in the body", "<head></head><body>charset=x</body>", tag,
       "<head></head><body>charset=x</body>"},
      {"mixed-case ChArSeT= in a comment", "<!-- ChArSeT= --><head></head>",
       tag, "<!-- ChArSeT= --><head></head>"},
      {"no closing head", "<html><body>", tag, "<html><body>"},
      {"empty tag", "<head></head>", "", "<head></head>"},
      {"empty text", "", tag, ""},
      {"bytes above 127 kept", "\xE4<head>\xFF</head>", tag,
       "\xE4<head>\xFF<meta charset=x></head>"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(InsertCharsetTag(row.text, row.tag), row.expected);
  }
}

}  // namespace
}  // namespace quillery
