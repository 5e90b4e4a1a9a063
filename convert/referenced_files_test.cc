#include "convert/referenced_files.h"

#include <gtest/gtest.h>

#include <random>
#include <set>
#include <stdexcept>
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

TEST(ReferencedFiles, FilesToBeWrittenAreNoCandidatesFromTheStart) {
  // The same candidates as without the notes: the pages' links to one
  // another are dropped as they are found, a copied file's are still kept.
  ReferencedFiles files("doc.htm", {});
  files.WillBeWritten("doc_p0.htm");
  files.WillBeWritten("sub\\doc_p1.htm");
  files.Written("doc_p0.htm",
                "<a href=\"sub/doc_p1.htm#x\">1</a><img src=\"a.gif\">");
  files.Written("sub\\doc_p1.htm",
                "<a href=\"../doc_p0.htm\">0</a><a href=\"../more.htm\">m</a>");
  EXPECT_EQ(TakeAll(files, {{"more.htm", "<a href=\"doc_p0.htm\">0</a>"}}),
            (std::vector<std::string>{"doc.htm", "a.gif", "more.htm"}));
}

// A page that names a few files and a contents page that names hundreds,
// each many times and in both cases where case folds: what each scan learns
// is what looking at every reference on its own gives. Pages (written
// anyway) and fragments give nothing, another site counts, a picture is
// kept at each reference.
TEST(ReferencedFiles, AScanLearnsWhatEachReferenceOnItsOwnGives) {
  std::mt19937 random(5);
  for (const bool folds : {false, true}) {
    for (const std::size_t names : {4u, 16u, 17u, 300u}) {
      SCOPED_TRACE(std::to_string(names) + (folds ? " folded" : ""));
      ReferencedFiles files("doc.htm", {}, folds);
      for (std::size_t n = 0; n < names; ++n) {
        files.WillBeWritten("p" + std::to_string(n) + ".htm");
      }
      std::string page;
      std::vector<std::string> kept;
      std::size_t outside = 0;
      for (int i = 0; i < 2000; ++i) {
        const std::string n = std::to_string(random() % names);
        switch (random() % 5) {
          case 0:
            page += "<a href=\"p" + n + ".htm#x" + n + "\">";
            break;
          case 1:
            page += "<a href=\"" + std::string(folds ? "P" : "p") + n +
                    ".HTM\">";
            // Where case folds it is the page; elsewhere another file.
            if (!folds) kept.push_back("p" + n + ".HTM");
            break;
          case 2:
            page += "<a href=\"http://example.org/" + n + "\">";
            ++outside;
            break;
          case 3:
            page += "<a href=\"#x" + n + "\">";
            break;
          default:
            page += "<img src=\"img/i" + n + ".gif\">";
            kept.push_back("img/i" + n + ".gif");
        }
      }
      const ReferencedFiles::ScannedFile scanned = files.Scan("toc.htm", page);
      EXPECT_EQ(scanned.outside, outside);
      std::vector<std::string> scannedPaths;
      for (const ReferencedFiles::Referenced& referenced : scanned.inSite) {
        scannedPaths.push_back(referenced.path);
      }
      EXPECT_EQ(scannedPaths, kept);
    }
  }
}

TEST(ReferencedFiles, AFileToBeWrittenThatWasNotIsAFaultOfTheCaller) {
  ReferencedFiles files("doc.htm", {});
  files.WillBeWritten("doc_p0.htm");
  files.WillBeWritten("doc_p1.htm");
  files.Written("doc_p0.htm", "<a href=\"doc_p1.htm\">1</a>");
  EXPECT_THROW(static_cast<void>(files.Next()), std::logic_error);
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
