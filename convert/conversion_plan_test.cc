#include "convert/conversion_plan.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace quillery {
namespace {

// Keeps every write in order.
class RecordingWriter : public SiteWriter {
 public:
  void WriteFile(const std::string& path, std::string bytes) override {
    writes.emplace_back(path, std::string(bytes));
  }
  std::vector<std::pair<std::string, std::string>> writes;
};

using Writes = std::vector<std::pair<std::string, std::string>>;

PageMaker TwoPages() {
  return PageMaker(SplitIntoPages("<body>zero<h1>one</body>", "B", 1),
                   DressingTexts{}, DressingOptions{}, "");
}

const std::string kPage0 = "<body>\r\n\r\nzero\r\n\r\n</body>";
const std::string kPage1 = "<body>\r\n\r\n<h1>one\r\n\r\n</body>";

TEST(ConversionPlan, WritesEachPathOnceInPlanOrder) {
  ConversionPlan plan;
  plan.AddBytes("\\s\\B.css", "css");
  plan.AddPages(TwoPages(), "\\s");
  plan.AddBytes("\\s\\main.htm", "frames");
  plan.AddBytes("\\s\\toc.htm", "toc");
  EXPECT_EQ(plan.PageCount(), 2u);
  RecordingWriter writer;
  plan.WriteTo(writer);
  EXPECT_EQ(writer.writes, (Writes{{"\\s\\B.css", "css"},
                                   {"\\s\\B_p0.htm", kPage0},
                                   {"\\s\\B_p1.htm", kPage1},
                                   {"\\s\\main.htm", "frames"},
                                   {"\\s\\toc.htm", "toc"}}));
}

TEST(ConversionPlan, ALaterFileForThePathWinsAndIsWrittenAtItsPlace) {
  // The contents frame page names page 1: page 1 is never made.
  ConversionPlan plan;
  plan.AddPages(TwoPages(), "\\s");
  plan.AddBytes("\\s\\main.htm", "frames");
  plan.AddBytes("\\s/B_p1.htm", "toc");
  RecordingWriter writer;
  plan.WriteTo(writer);
  EXPECT_EQ(writer.writes, (Writes{{"\\s\\B_p0.htm", kPage0},
                                   {"\\s\\main.htm", "frames"},
                                   {"\\s/B_p1.htm", "toc"}}));
}

TEST(ConversionPlan, ACopyTakesItsSourceAsItStandsAtItsPlace) {
  struct Row {
    const char* name;
    std::string mainFile;
    Writes expected;
  };
  const Row rows[] = {
      {"main file apart: a copy of page 0, made again",
       "\\s\\main.htm",
       {{"\\s\\B_p0.htm", kPage0},
        {"\\s\\B_p1.htm", kPage1},
        {"\\s\\main.htm", kPage0},
        {"\\s\\toc.htm", "toc"}}},
      // Page 0's path held the frames page when the copy was made.
      {"main file bears page 0's name",
       "\\s\\B_p0.htm",
       {{"\\s\\B_p1.htm", kPage1},
        {"\\s\\B_p0.htm", "frames"},
        {"\\s\\toc.htm", "toc"}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionPlan plan;
    plan.AddPages(TwoPages(), "\\s");
    plan.AddBytes(row.mainFile, "frames");
    plan.AddCopy(row.mainFile, "\\s\\B_p0.htm");
    // A later change of the source does not reach the copy.
    plan.AddBytes("\\s\\toc.htm", "toc");
    RecordingWriter writer;
    plan.WriteTo(writer);
    EXPECT_EQ(writer.writes, row.expected);
  }
}

TEST(ConversionPlan, PathsCompareByTheGivenKey) {
  ConversionPlan plan;
  plan.AddBytes("\\s\\link\\a.htm", "first");
  plan.AddBytes("\\s\\real\\a.htm", "second");
  EXPECT_TRUE(plan.Plans("\\s/link/./a.htm"));
  EXPECT_FALSE(plan.Plans("\\s\\b.htm"));
  // With "link" a symbolic link to "real" both are one file.
  RecordingWriter writer;
  plan.WriteTo(writer, [](const std::string& path) {
    std::string key = SitePath(path).Key();
    const std::size_t link = key.find("/link/");
    if (link != std::string::npos) key.replace(link, 6, "/real/");
    return key;
  });
  EXPECT_EQ(writer.writes, (Writes{{"\\s\\real\\a.htm", "second"}}));
}

}  // namespace
}  // namespace quillery
