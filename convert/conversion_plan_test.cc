#include "convert/conversion_plan.h"

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_error.h"
#include "convert/writing_threads.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Keeps every write in order, from whichever thread.
class RecordingWriter : public SiteWriter {
 public:
  void WriteFile(std::size_t /*place*/, const std::string& path,
                 std::string_view bytes) override {
    std::lock_guard<std::mutex> lock(mutex_);
    writes.emplace_back(path, std::string(bytes));
  }
  std::mutex mutex_;
  std::vector<std::pair<std::string, std::string>> writes;
};

using Writes = std::vector<std::pair<std::string, std::string>>;

std::shared_ptr<const PageMaker> TwoPages() {
  return std::make_shared<const PageMaker>(
      SplitIntoPages("<body>zero<h1>one</body>", "B", 1), DressingTexts{},
      DressingOptions{}, "");
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

// Bytes still being made are written at their place, also as the source of
// a copy; what their making threw is thrown there, after every file before.
TEST(ConversionPlan, BytesMadeBesideAreWrittenAtTheirPlace) {
  for (const std::size_t threads : {1u, 3u}) {
    SCOPED_TRACE(threads);
    ConversionPlan plan;
    plan.AddPages(TwoPages(), "\\s");
    plan.AddLater("\\s\\toc.htm",
                  MakeBeside([] { return std::string("toc"); }));
    plan.AddCopy("\\s\\main.htm", "\\s\\toc.htm");
    const PathKeyFunction key = [](const std::string& path) {
      return SitePath(path).Key();
    };
    RecordingWriter writer;
    plan.WriteTo(plan.ListWrites(key), writer, 1);
    EXPECT_EQ(writer.writes, (Writes{{"\\s\\B_p0.htm", kPage0},
                                     {"\\s\\B_p1.htm", kPage1},
                                     {"\\s\\toc.htm", "toc"},
                                     {"\\s\\main.htm", "toc"}}));

    ConversionPlan failing;
    failing.AddPages(TwoPages(), "\\s");
    failing.AddLater("\\s\\toc.htm", MakeBeside([]() -> std::string {
                       throw std::runtime_error("out of memory");
                     }));
    RecordingWriter partial;
    const WriteList writes = failing.ListWrites(
        [](const std::string& path) { return SitePath(path).Key(); });
    EXPECT_THROW(failing.WriteTo(writes, partial, threads), std::runtime_error);
    ASSERT_EQ(partial.writes.size(), 2u);
    EXPECT_EQ(MadeNow("x").get(), "x");
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

// With keys that fold letter case, as on a file system that does: the same
// name in a folder spelled two ways is one file, two names that differ only
// in case are two files the disk cannot hold, refused before any write.
TEST(ConversionPlan, TwoNamesOfOneKeyAreRefused) {
  struct Row {
    const char* name;
    Writes planned;
    Writes expected;
    std::string refusal;
  };
  const Row rows[] = {
      {"names in two cases",
       {{"\\s\\Report.htm", "a"}, {"\\s\\report.htm", "b"}},
       {},
       "refusing to write '/s/Report.htm' and '/s/report.htm': their names "
       "differ only in letter case, and the file system they lie on takes "
       "them for one file"},
      {"a name in two cases after another file",
       {{"\\s\\x.htm", "x"},
        {"\\s\\sub\\Pic.gif", "a"},
        {"\\s\\SUB\\pic.GIF", "b"}},
       {},
       "refusing to write '/s/sub/Pic.gif' and '/s/SUB/pic.GIF': their names "
       "differ only in letter case, and the file system they lie on takes "
       "them for one file"},
      {"one name in a folder spelled two ways",
       {{"\\s\\Sub\\a.htm", "a"}, {"\\s\\sub\\a.htm", "b"}},
       {{"\\s\\sub\\a.htm", "b"}},
       ""},
      {"names that differ in more than case",
       {{"\\s\\Report.htm", "a"}, {"\\s\\Report2.htm", "b"}},
       {{"\\s\\Report.htm", "a"}, {"\\s\\Report2.htm", "b"}},
       ""},
  };
  const PathKeyFunction folded = [](const std::string& path) {
    return FoldedLetterCase(SitePath(path).Key());
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ConversionPlan plan;
    for (const auto& [path, bytes] : row.planned) plan.AddBytes(path, bytes);
    RecordingWriter writer;
    std::string refusal;
    try {
      plan.WriteTo(writer, folded);
    } catch (const Refusal& error) {
      refusal = error.what();
    }
    EXPECT_EQ(refusal, row.refusal);
    EXPECT_EQ(writer.writes, row.expected);
    // With the keys of a disk that keeps case apart, every file is written.
    RecordingWriter keeping;
    plan.WriteTo(keeping);
    EXPECT_EQ(keeping.writes, row.planned);
  }
}

}  // namespace
}  // namespace quillery
