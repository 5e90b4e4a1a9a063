#include "convert/referenced_files.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

namespace quillery {
namespace {

// Every candidate in order, each written as it is taken (with `bytes` for
// the one named there), as the output folder's writer copies them.
std::vector<std::string> TakeAll(
    ReferencedFiles& files,
    const std::vector<std::pair<std::string, std::string>>& copiedBytes = {}) {
  std::vector<std::string> taken;
  while (const auto candidate = files.Next()) {
    taken.push_back(candidate->relative);
    std::string bytes;
    for (const auto& [relative, text] : copiedBytes) {
      if (relative == candidate->relative) bytes = text;
    }
    files.Written(candidate->relative, bytes);
  }
  return taken;
}

TEST(ReferencedFiles, TheMainFileFirstThenWhatTheWrittenFilesReferTo) {
  ReferencedFiles files("doc.htm", {});
  files.Written("doc_p0.htm",
                "<img src=\"doc_files/a.gif\"><a href=\"doc_p1.htm\">1</a>"
                "<link href=\"sub/s.css\" rel=stylesheet>");
  files.Written("doc_p1.htm", "<a href=\"doc_p0.htm#x\">0</a>");
  // A picture is not read for references, whatever its bytes.
  files.Written("pic.gif", "<a href=\"never.htm\">");
  EXPECT_EQ(TakeAll(files, {{"sub\\s.css", "p { background: url(../bg.png) }"},
                            {"doc.htm", "<frame src=\"toc.htm\">"}}),
            (std::vector<std::string>{"doc.htm", "doc_files\\a.gif",
                                      "sub\\s.css", "toc.htm", "bg.png"}));
  EXPECT_EQ(files.outside(), 0u);
}

TEST(ReferencedFiles, CountsEachOutsideReferenceOncePerCountedFile) {
  const std::string page =
      "<a href=\"http://example.com/\">w</a><img src=\"../up.gif\">"
      "<img src=\"/abs.gif\"><a href=\"#top\">t</a>";
  struct Row {
    const char* name;
    std::set<std::string> uncounted;
    std::size_t outside;
  };
  for (const Row& row :
       std::vector<Row>{{"both counted", {}, 6},
                        {"the document's references are held by its pages",
                         {"doc_body.htm"},
                         3}}) {
    SCOPED_TRACE(row.name);
    ReferencedFiles files("doc.htm", row.uncounted);
    files.Written("doc_p1.htm", page);
    files.Written("doc_body.htm", page);
    EXPECT_EQ(files.outside(), row.outside);
  }
}

TEST(ReferencedFiles, ALinkOutOfTheSiteCountsOnlyWhereItIsCounted) {
  ReferencedFiles files("doc.htm", {"doc_body.htm"});
  files.Written("doc_p1.htm", "<img src=\"out.gif\">");
  files.Written("doc_body.htm", "<img src=\"out.gif\">");
  std::size_t candidates = 0;
  while (const auto candidate = files.Next()) {
    ++candidates;
    if (candidate->relative == "out.gif") files.LeadsOutside(*candidate);
  }
  EXPECT_EQ(candidates, 3u);  // the main file and out.gif twice
  EXPECT_EQ(files.outside(), 1u);
}

TEST(ReferencedFiles, AFileWrittenIsNeverACandidate) {
  ReferencedFiles files("doc.htm", {});
  files.Written("doc.htm", "<a href=\"doc_p0.htm\">0</a>");
  files.Written("doc_p0.htm", "<a href=\"doc.htm\">back</a>");
  EXPECT_FALSE(files.Next().has_value());
}

// A site whose file system folds letter case holds one file for "pic.gif"
// and "Pic.GIF": it is taken once, and a page written under one name is
// not taken again under another.
TEST(ReferencedFiles, WhereCaseFoldsNamesInTwoCasesAreOneFile) {
  const std::string page =
      "<img src=\"Pic.GIF\"><img src=\"pic.gif\"><a href=\"DOC_P1.HTM\">1</a>"
      "<a href=\"Doc.htm\">main</a><a href=\"http://example.com/\">w</a>";
  struct Row {
    bool folds;
    std::vector<std::string> taken;
    std::size_t outside;  // "DOC_p0.htm" is "doc_p0.htm" only where case folds
  };
  const Row rows[] = {
      {true, {"Pic.GIF"}, 1},
      {false, {"Pic.GIF", "pic.gif", "DOC_P1.HTM", "Doc.htm"}, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.folds);
    ReferencedFiles files("doc.htm", {"DOC_p0.htm"}, row.folds);
    files.Written("doc.htm", "");
    files.Written("doc_p0.htm", page);
    files.Written("doc_p1.htm", page);
    EXPECT_EQ(TakeAll(files), row.taken);
    EXPECT_EQ(files.outside(), row.outside);
  }
}

}  // namespace
}  // namespace quillery
