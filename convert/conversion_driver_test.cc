#include "convert/conversion_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_error.h"
#include "convert/memory_file_operations.h"
#include "convert/site_writer.h"
#include "tests/test_support.h"
#include "text/bytes.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;

const std::string kSite = "\\work\\site";
const std::string kMainFile = "\\work\\site\\doc.htm";
const std::string kOutput = "\\work\\out";

const std::string& kToc = testing::kFramedTwoEntryToc;
const std::string kContent =
    "<html><head><title>Birds</title><style>\r\n<!--\r\n"
    " /* Font Definitions */\r\np {margin:0}\r\n-->\r\n</style></head>"
    "<body>\r\n<p>pre</p><h1><a name=\"_Toc1\">One</a></h1>"
    "<p><img src=\"pic.gif\"></p><h1><a name=\"_Toc2\">Two</a></h1><p>b</p>"
    "</body></html>";
const std::string kFrames =
    "<html><frameset cols=\"245,*\">\r\n<frame name=TOC src=\"toc.htm\">\r\n"
    "<frame name=Frame1 src=\"Body.htm\">\r\n</frameset></html>\r\n";
// A document saved without frames, for BUILDTOC.
const std::string kDocument =
    "<html><head><title>Notes</title></head><body>\r\n<h1>First</h1><p>a</p>"
    "<h1>Second</h1><p>b</p></body></html>";

void AddSite(MemoryFileOperations& files) {
  files.AddFile(kSite + "\\doc.htm", kFrames);
  files.AddFile(kSite + "\\toc.htm", kToc);
  files.AddFile(kSite + "\\Body.htm", kContent);
  files.AddFile(kSite + "\\pic.gif", "GIF89a picture");
}

ConversionRequest RequestFor(MemoryFileOperations& files,
                             std::int32_t levels = 1,
                             std::int32_t bullets = 1) {
  ConversionRequest request("\\work\\program");
  for (const char* image : kBulletImageFiles) {
    files.AddFile(std::string("\\work\\program\\") + image,
                  std::string("GIF89a ") + image);
  }
  request.LEVELSTOBREAK = levels;
  request.TOCBULLETS = bullets;
  return request;
}

std::string MessageOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::exception& error) {
    return error.what();
  }
  return "(nothing thrown)";
}

// Every step a run tells, in order.
class RecordingProgress : public ConversionProgress {
 public:
  void Reading() override { steps.push_back("Reading"); }
  void Planning() override { steps.push_back("Planning"); }
  void Planned(std::size_t files, std::size_t pages) override {
    steps.push_back("Planned " + std::to_string(files) + " " +
                    std::to_string(pages));
  }
  void Staged(std::size_t /*bytes*/) override { steps.push_back("Staged"); }
  void Finished(const std::string& line) override {
    steps.push_back("Finished " + line);
  }
  std::vector<std::string> steps;
};

TEST(RunConversion, AnEmptyPathTouchesNothing) {
  MemoryFileOperations files;
  AddSite(files);
  const ConversionRequest request = RequestFor(files);
  const Tree before = files.Tree();
  RecordingProgress progress;
  EXPECT_EQ(RunConversion("", request, files, progress),
            ConversionOutcome::kNoMainFile);
  EXPECT_EQ(files.calls(), 0u);
  EXPECT_TRUE(progress.steps.empty());
  EXPECT_EQ(files.Tree(), before);
}

TEST(RunConversion, AMainFileWithoutATocFrameWritesNothing) {
  for (const bool outdir : {false, true}) {
    SCOPED_TRACE(outdir);
    MemoryFileOperations files;
    files.AddFile(kMainFile, kDocument);
    ConversionRequest request = RequestFor(files);
    if (outdir) request.OUTDIR = kOutput;
    const Tree before = files.Tree();
    RecordingProgress progress;
    EXPECT_EQ(RunConversion(kMainFile, request, files, progress),
              ConversionOutcome::kNoTocFrame);
    EXPECT_EQ(files.Tree(), before);
    EXPECT_EQ(progress.steps, std::vector<std::string>{"Reading"});
  }
}

TEST(RunConversion, RefusesWhatItMustNotConvert) {
  struct Row {
    const char* name;
    std::function<void(MemoryFileOperations&, std::unique_ptr<HeldLock>&)>
        setUp;
    bool outdir;
    std::string message;
  };
  const Row rows[] = {
      {"another run holds the site's lock",
       [](MemoryFileOperations& files, std::unique_ptr<HeldLock>& held) {
         held = files.LockFolder(kSite);
       },
       false,
       "cannot convert '/work/site/doc.htm': another conversion of this site "
       "is running"},
      {"another run holds the site's lock, OUTDIR",
       [](MemoryFileOperations& files, std::unique_ptr<HeldLock>& held) {
         held = files.LockFolder(kSite);
       },
       true,
       "cannot convert '/work/site/doc.htm': another conversion of this site "
       "is running"},
      {"an in-place run's staging folder is left, OUTDIR",
       [](MemoryFileOperations& files, std::unique_ptr<HeldLock>&) {
         files.AddFile(kSite + "\\.quillery\\staging\\0", "staged");
       },
       true,
       "cannot convert '/work/site/doc.htm': an earlier conversion of it in "
       "place was stopped; run it again without /OUTDIR= to finish it first"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddSite(files);
    ConversionRequest request = RequestFor(files);
    if (row.outdir) request.OUTDIR = kOutput;
    std::unique_ptr<HeldLock> held;
    row.setUp(files, held);
    const Tree before = files.Tree();
    RecordingProgress progress;
    const std::string message = MessageOf([&] {
      static_cast<void>(RunConversion(kMainFile, request, files, progress));
    });
    EXPECT_EQ(message, row.message);
    EXPECT_EQ(files.Tree(), before);
  }
}

TEST(RunConversion, RefusesASiteConvertedInPlaceBefore) {
  for (const bool outdir : {false, true}) {
    SCOPED_TRACE(outdir);
    MemoryFileOperations files;
    AddSite(files);
    ConversionRequest request = RequestFor(files);
    ConversionProgress quiet;
    ASSERT_EQ(RunConversion(kMainFile, request, files, quiet),
              ConversionOutcome::kConverted);
    if (outdir) request.OUTDIR = kOutput;
    const Tree before = files.Tree();
    EXPECT_THROW(
        {
          try {
            static_cast<void>(RunConversion(kMainFile, request, files, quiet));
          } catch (const Refusal& refusal) {
            EXPECT_EQ(std::string(refusal.what()),
                      "refusing '/work/site/doc.htm': it was converted in "
                      "place before, and converting it again would stack the "
                      "changes; convert the original site, or keep a site "
                      "unchanged with /OUTDIR=<folder>");
            throw;
          }
        },
        Refusal);
    EXPECT_EQ(files.Tree(), before);
  }
}

TEST(RunConversion, TellsItsStepsInOrder) {
  struct Row {
    const char* name;
    bool outdir;
    bool buildToc;
    std::size_t files;  // planned
    std::size_t pages;
    std::string finished;
  };
  // Split: a stylesheet, three pages, the main file, the TOC frame page and
  // two bullet images; a made frames page has no stylesheet.
  const Row rows[] = {
      {"in place", false, false, 8, 3,
       "converted in place: open '/work/site/doc.htm'"},
      {"into an output folder", true, false, 8, 3,
       "converted into '/work/out': open '/work/out/doc.htm'"},
      {"a frames page made for a document", false, true, 7, 3,
       "made a frames page for '/work/site/doc.htm' (2 headings, 2 new "
       "bookmarks): open '/work/site/doc_frames.htm'"},
      {"a frames page made for a document, into an output folder", true, true,
       7, 3,
       "made a frames page for '/work/site/doc.htm' (2 headings, 2 new "
       "bookmarks): open '/work/out/doc_frames.htm'"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    if (row.buildToc) {
      files.AddFile(kMainFile, kDocument);
    } else {
      AddSite(files);
    }
    ConversionRequest request = RequestFor(files);
    if (row.outdir) request.OUTDIR = kOutput;
    request.BUILDTOC = row.buildToc ? 1 : 0;
    RecordingProgress progress;
    ASSERT_EQ(RunConversion(kMainFile, request, files, progress),
              ConversionOutcome::kConverted);
    std::vector<std::string> expected = {"Reading", "Planning",
                                         "Planned " +
                                             std::to_string(row.files) + " " +
                                             std::to_string(row.pages)};
    expected.insert(expected.end(), row.files, "Staged");
    expected.push_back("Finished " + row.finished);
    EXPECT_EQ(progress.steps, expected);
  }
}

// Every file a run in place writes, a run into an output folder writes with
// the same bytes.
TEST(RunConversion, InPlaceAndIntoAFolderWriteTheSameBytes) {
  for (const std::int32_t levels : {0, 1}) {
    SCOPED_TRACE(levels);
    MemoryFileOperations inPlace;
    AddSite(inPlace);
    const Tree before = inPlace.Tree(kSite);
    ConversionProgress quiet;
    ASSERT_EQ(
        RunConversion(kMainFile, RequestFor(inPlace, levels), inPlace, quiet),
        ConversionOutcome::kConverted);
    MemoryFileOperations outdir;
    AddSite(outdir);
    ConversionRequest request = RequestFor(outdir, levels);
    request.OUTDIR = kOutput;
    ASSERT_EQ(RunConversion(kMainFile, request, outdir, quiet),
              ConversionOutcome::kConverted);
    const Tree output = outdir.Tree(kOutput);
    std::size_t compared = 0;
    for (const auto& [path, bytes] : inPlace.Tree(kSite)) {
      auto old = before.find(path);
      if (old != before.end() && old->second == bytes) continue;
      SCOPED_TRACE(path);
      const std::string relative = path.substr(kSite.size());
      auto written = output.find(kOutput + relative);
      ASSERT_NE(written, output.end());
      EXPECT_EQ(written->second, bytes);
      ++compared;
    }
    EXPECT_GT(compared, levels == 0 ? 2u : 4u);
    // The source site of the output folder run is as it was.
    EXPECT_EQ(outdir.Tree(kSite), before);
  }
}

// The file system in memory, with the content page kept by its file as a
// large one is: someone else may change that file while the run goes on.
class KeptDocumentFiles : public MemoryFileOperations {
 public:
  class Kept : public TextKeeper {
   public:
    bool Unchanged() const override { return !changed; }
    std::string bytes;
    std::atomic<bool> changed{false};
  };
  SharedText ReadDocument(const std::string& path) override {
    kept->bytes = ReadText(path);
    return SharedText(kept, kept->bytes);
  }
  const std::shared_ptr<Kept> kept = std::make_shared<Kept>();
};

// The content page changes while its pages are made and written, in place
// or into a folder: nothing is committed, the run says why, and every file
// stays as it was. Unchanged, the run writes what it writes from a page it
// read.
TEST(RunConversion, AContentPageChangedDuringTheRunCommitsNothing) {
  for (const bool outdir : {false, true}) {
    SCOPED_TRACE(outdir);
    // The site and the program's files, and the request of this round.
    const auto requestIn = [outdir](MemoryFileOperations& files) {
      AddSite(files);
      ConversionRequest request = RequestFor(files);
      if (outdir) request.OUTDIR = kOutput;
      return request;
    };
    ConversionProgress quiet;
    MemoryFileOperations read;
    KeptDocumentFiles kept;
    for (MemoryFileOperations* files :
         std::initializer_list<MemoryFileOperations*>{&read, &kept}) {
      ASSERT_EQ(RunConversion(kMainFile, requestIn(*files), *files, quiet),
                ConversionOutcome::kConverted);
    }
    EXPECT_EQ(kept.Tree(), read.Tree());

    KeptDocumentFiles changing;
    const ConversionRequest request = requestIn(changing);
    const Tree before = changing.Tree();
    changing.SetHook([&changing](const FileCall& call) {
      if (call.name == "WriteNewFile") changing.kept->changed = true;
    });
    EXPECT_EQ(
        MessageOf([&] {
          static_cast<void>(RunConversion(kMainFile, request, changing, quiet));
        }),
        "cannot read '" + NativePath(kSite + "\\Body.htm") +
            "': it was changed while it was converted");
    EXPECT_EQ(changing.Tree(), before);
  }
}

// A contents frame page named like a page of the split in other case:
// where the site's file system folds letter case the two are one file, and
// the run stops before it writes anything, in place or into a folder; where
// it does not, both are written.
TEST(RunConversion, RefusesTwoFilesOfOneNameWhereCaseFolds) {
  const std::string frames =
      "<html><frameset cols=\"245,*\">\r\n<frame name=TOC "
      "src=\"BODY_P1.HTM\">\r\n<frame name=Frame1 src=\"Body.htm\">\r\n"
      "</frameset></html>\r\n";
  for (const bool outdir : {false, true}) {
    for (const bool folds : {true, false}) {
      SCOPED_TRACE(std::string(outdir ? "OUTDIR" : "in place") +
                   (folds ? ", folding" : ""));
      MemoryFileOperations files;
      files.SetFoldsLetterCase(folds);
      files.AddFile(kSite + "\\doc.htm", frames);
      files.AddFile(kSite + "\\BODY_P1.HTM", kToc);
      files.AddFile(kSite + "\\Body.htm", kContent);
      files.AddFile(kSite + "\\pic.gif", "GIF89a picture");
      ConversionRequest request = RequestFor(files);
      if (outdir) request.OUTDIR = kOutput;
      const Tree before = files.Tree();
      ConversionProgress quiet;
      const std::string message = MessageOf([&] {
        static_cast<void>(RunConversion(kMainFile, request, files, quiet));
      });
      const std::string written = outdir ? kOutput : kSite;
      if (!folds) {
        EXPECT_EQ(message, "(nothing thrown)");
        EXPECT_EQ(files.Tree().count(written + "\\Body_p1.htm"), 1u);
        EXPECT_EQ(files.Tree().count(written + "\\BODY_P1.HTM"), 1u);
        continue;
      }
      EXPECT_EQ(message,
                "refusing to write '/work/site/Body_p1.htm' and "
                "'/work/site/BODY_P1.HTM': their names differ only in letter "
                "case, and the file system they lie on takes them for one "
                "file");
      EXPECT_EQ(files.Tree(), before);
    }
  }
}

// The main file named in another case than the site holds it: where case
// folds the run converts it and the file keeps its name: the site ends byte
// for byte as a run naming it as it is leaves it.
TEST(RunConversion, WhereCaseFoldsTheMainFileKeepsItsName) {
  MemoryFileOperations folding;
  folding.SetFoldsLetterCase(true);
  AddSite(folding);
  ConversionProgress quiet;
  ASSERT_EQ(RunConversion("\\WORK\\Site\\DOC.HTM", RequestFor(folding), folding,
                          quiet),
            ConversionOutcome::kConverted);
  MemoryFileOperations keeping;
  AddSite(keeping);
  ASSERT_EQ(RunConversion(kMainFile, RequestFor(keeping), keeping, quiet),
            ConversionOutcome::kConverted);
  EXPECT_EQ(folding.Tree(kSite), keeping.Tree(kSite));
}

// `tree` without the bookkeeping folder of the site.
Tree WithoutBookkeeping(Tree tree) {
  const std::string bookkeeping = kSite + "\\.quillery\\";
  auto first = tree.lower_bound(bookkeeping);
  auto last = first;
  while (last != tree.end() && last->first.rfind(bookkeeping, 0) == 0) ++last;
  tree.erase(first, last);
  return tree;
}

// Every file operation of a run in place, made to fail: until the commit is
// in place the site is as it was and nothing of ours is left; a failure
// after that, while our own staging is removed, leaves the converted site
// (the next run removes what stays). With and without hard links.
TEST(RunConversion, AFailureAtEachCallOfARunInPlaceLeavesTheSite) {
  for (const bool hardLinks : {true, false}) {
    SCOPED_TRACE(hardLinks);
    std::size_t callsOfARun = 0;
    Tree converted;
    {
      MemoryFileOperations files;
      files.SetHardLinks(hardLinks);
      AddSite(files);
      ConversionProgress quiet;
      ASSERT_EQ(RunConversion(kMainFile, RequestFor(files), files, quiet),
                ConversionOutcome::kConverted);
      callsOfARun = files.calls();
      converted = files.Tree();
    }
    ASSERT_GT(callsOfARun, 20u);
    std::size_t failed = 0;
    for (std::size_t failing = 1; failing <= callsOfARun; ++failing) {
      SCOPED_TRACE(failing);
      MemoryFileOperations files;
      files.SetHardLinks(hardLinks);
      AddSite(files);
      const ConversionRequest request = RequestFor(files);
      const Tree before = files.Tree();
      // Counted here: the calls of the writer's thread run the hook too.
      std::atomic<std::size_t> seen{0};
      files.SetHook([&seen, failing](const FileCall& call) {
        if (++seen == failing) {
          throw FileError(std::string(call.name), call.path, "injected");
        }
      });
      ConversionProgress quiet;
      bool converts = false;
      const std::string message = MessageOf([&] {
        converts = RunConversion(kMainFile, request, files, quiet) ==
                   ConversionOutcome::kConverted;
      });
      if (converts) {
        EXPECT_EQ(WithoutBookkeeping(files.Tree()), converted);
        continue;
      }
      ++failed;
      EXPECT_EQ(files.Tree(), before) << message;
      EXPECT_FALSE(files.LookAt(kSite + "\\.quillery").exists) << message;
    }
    EXPECT_GT(failed, callsOfARun / 2);
  }
}

// The paths a plan writes, in order.
class PathRecorder : public SiteWriter {
 public:
  void WriteFile(std::size_t /*place*/, const std::string& path,
                 std::string_view /*bytes*/) override {
    paths.push_back(path.substr(kSite.size() + 1));
  }
  std::vector<std::string> paths;
};

// A document of many pages, each linking to another and showing a picture
// of its own, written by several threads at once: the same files as one
// thread writes, in place and into a folder, and a failure on some page
// reported as one thread reports it, with the site left as it was.
TEST(RunConversion, ManyWritingThreadsWriteWhatOneWrites) {
  std::string content = kContent.substr(0, kContent.find("</body>"));
  for (int page = 3; page < 60; ++page) {
    const std::string number = std::to_string(page);
    content += "<h1><a name=\"h" + number + "\">H" + number + "</a></h1><p>" +
               "<img src=\"p" + number + ".gif\"><a href=\"#h" +
               std::to_string(62 - page) + "\">to</a></p>";
  }
  content += "</body></html>";
  const auto addSite = [&content](MemoryFileOperations& files) {
    AddSite(files);
    files.AddFile(kSite + "\\Body.htm", content);
    for (int page = 3; page < 60; ++page) {
      files.AddFile(kSite + "\\p" + std::to_string(page) + ".gif", "GIF");
    }
  };
  for (const bool intoFolder : {false, true}) {
    SCOPED_TRACE(intoFolder);
    std::map<std::size_t, Tree> trees;
    for (const std::size_t threads : {1u, 4u}) {
      MemoryFileOperations files;
      files.SetWritesAtOnce(threads);
      addSite(files);
      ConversionRequest request = RequestFor(files);
      if (intoFolder) request.OUTDIR = kOutput;
      ConversionProgress quiet;
      ASSERT_EQ(RunConversion(kMainFile, request, files, quiet),
                ConversionOutcome::kConverted);
      trees[threads] = files.Tree();
    }
    EXPECT_GT(trees[1].size(), 120u);
    EXPECT_EQ(trees[4], trees[1]);

    MemoryFileOperations files;
    files.SetWritesAtOnce(4);
    addSite(files);
    // Two of the pages replace files of the site, which are looked at where
    // they go just before they are written; a new page is written without a
    // look.
    files.AddFile(kSite + "\\Body_p2.htm", "an older page 2");
    files.AddFile(kSite + "\\Body_p40.htm", "an older page 40");
    ConversionRequest request = RequestFor(files);
    if (intoFolder) request.OUTDIR = kOutput;
    const Tree before = files.Tree();
    files.SetHook([](const FileCall& call) {
      if (call.name != "LookAt" && call.name != "WriteNewFile") return;
      if (EndsWith(call.path, "\\Body_p2.htm")) {
        throw FileError("cannot write", call.path, "injected");
      }
      if (EndsWith(call.path, "\\Body_p40.htm")) {
        throw FileError("cannot write", call.path, "later");
      }
    });
    ConversionProgress quiet;
    const std::string message = MessageOf(
        [&] { static_cast<void>(RunConversion(kMainFile, request, files, quiet)); });
    EXPECT_NE(message.find("Body_p2.htm"), std::string::npos) << message;
    EXPECT_NE(message.find("injected"), std::string::npos) << message;
    EXPECT_EQ(files.Tree(), before);
  }
}

std::vector<std::string> PlannedPaths(MemoryFileOperations& files,
                                      const ConversionRequest& request) {
  const ConversionPlan plan =
      PlanConversion(ReadSiteInputs(files, kMainFile, request), request);
  PathRecorder recorder;
  plan.WriteTo(recorder);
  return recorder.paths;
}

TEST(PlanConversion, PlansTheFilesInOrder) {
  struct Row {
    const char* name;
    std::int32_t levels;
    std::int32_t bullets;
    bool buildToc;
    std::string templateText;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"bullets only",
       0,
       1,
       false,
       "",
       {"toc.htm", "bullet10001.gif", "main10001.gif"}},
      {"pages",
       1,
       0,
       false,
       "",
       {"Body.css", "Body_p0.htm", "Body_p1.htm", "Body_p2.htm", "doc.htm",
        "toc.htm"}},
      {"pages and bullets",
       1,
       1,
       false,
       "",
       {"Body.css", "Body_p0.htm", "Body_p1.htm", "Body_p2.htm", "doc.htm",
        "toc.htm", "bullet10001.gif", "main10001.gif"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddSite(files);
    ConversionRequest request = RequestFor(files, row.levels, row.bullets);
    EXPECT_EQ(PlannedPaths(files, request), row.expected);
  }
}

TEST(PlanConversion, LeavesOutAMadeTocFramePageNoLongerShown) {
  struct Row {
    const char* name;
    std::string templateText;
    std::int32_t templateTocFormat;
    std::vector<std::string> expected;
  };
  const Row rows[] = {
      {"the made frames page shows it",
       "",
       0,
       {"doc_p0.htm", "doc_p1.htm", "doc_p2.htm", "doc_frames.htm",
        "doc_toc.htm", "bullet10001.gif", "main10001.gif"}},
      // The pages hold the bulleted contents, so the bullets stay.
      {"pages carry the contents: page 0 is the main file",
       "<html><body>[WORDTOC][QUILLERY]</body></html>",
       0,
       {"doc_p0.htm", "doc_p1.htm", "doc_p2.htm", "doc_frames.htm",
        "bullet10001.gif", "main10001.gif"}},
      {"the main file is a copy of page 0",
       "<html><body>[QUILLERY]</body></html>",
       1,
       {"doc_p0.htm", "doc_p1.htm", "doc_p2.htm", "doc_frames.htm"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    files.AddFile(kMainFile, kDocument);
    ConversionRequest request = RequestFor(files, 1, 1);
    request.BUILDTOC = 1;
    if (!row.templateText.empty()) {
      request.USINGTEMPLATE = 1;
      request.TEMPLATETOCFORMAT = row.templateTocFormat;
      request.HTMLTEMPLATEFILE = "\\work\\program\\base.htm";
      files.AddFile(request.HTMLTEMPLATEFILE, row.templateText);
    }
    EXPECT_EQ(PlannedPaths(files, request), row.expected);
  }
}

}  // namespace
}  // namespace quillery
