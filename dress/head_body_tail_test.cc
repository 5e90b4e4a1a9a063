#include "dress/head_body_tail.h"

#include <gtest/gtest.h>

#include <string>

namespace quillery {
namespace {

TEST(SplitPageParts, CutsAtTheBodyTags) {
  struct Row {
    const char* name;
    std::string page;
    std::string head;
    std::string body;
    std::string tail;
  };
  const Row rows[] = {
      {"usual page",
       "<html><head></head><body lang=EN>\r\nText\r\n</body></html>",
       "<html><head></head><body lang=EN>\r\n\r\n", "\r\nText\r\n",
       "\r\n\r\n</body></html>"},
      {"capitals are no body tags", "<HTML><BODY>x</BODY></HTML>",
       "<html><body>\r\n\r\n", "<HTML><BODY>x</BODY></HTML>",
       "\r\n\r\n</body></html>"},
      {"no end tag", "<body>abc", "<body>\r\n\r\n", "abc",
       "\r\n\r\n</body></html>"},
      {"end tag before start tag", "</body><body>x", "</body><body>\r\n\r\n",
       "", "\r\n\r\n</body><body>x"},
      {"start tag cut off by the end", "a<body", "<html><body>\r\n\r\n",
       "a<body", "\r\n\r\n</body></html>"},
      {"empty page", "", "<html><body>\r\n\r\n", "", "\r\n\r\n</body></html>"},
      {"bytes kept", std::string("<body>\xE4\0\r\n</body>\xFC", 18),
       "<body>\r\n\r\n", std::string("\xE4\0\r\n", 4), "\r\n\r\n</body>\xFC"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const PageParts parts = SplitPageParts(row.page);
    EXPECT_EQ(parts.head, row.head);
    EXPECT_EQ(parts.body, row.body);
    EXPECT_EQ(parts.tail, row.tail);
  }
}

TEST(FindHeadClose, FindsTheTagOpenNearTheFirstHeadEnd) {
  constexpr std::size_t kNone = std::string::npos;
  struct Row {
    const char* name;
    std::string text;
    std::size_t expected;
  };
  const Row rows[] = {
      {"usual head", "<html><head><title>t</title></head><body>", 28},
      {"capitals", "<HEAD></HEAD><BODY>", 6},
      {"blank after the open", "<head>< /head>", 6},
      {"nearest open taken", "<a<b/head>", 2},
      {"open 29 bytes before", "<" + std::string(28, 'x') + "/head>", 0},
      {"open 30 bytes before", "<" + std::string(29, 'x') + "/head>", kNone},
      {"longer word in a path", "<img src=\"/headings/a.png\"></head>", 0},
      {"no head end", "<html><body></body></html>", kNone},
      {"head end at byte 0", "/head>", kNone},
      {"empty text", "", kNone},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FindHeadClose(row.text), row.expected);
  }
}

}  // namespace
}  // namespace quillery
