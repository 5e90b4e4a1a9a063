#include "convert/output_folder.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "convert/conversion_driver.h"
#include "convert/conversion_error.h"
#include "convert/memory_file_operations.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using Tree = std::map<std::string, std::string>;

const std::string kSite = "\\work\\site";
const std::string kMainFile = "\\work\\site\\doc.htm";
// The output's parent is reached through a link: the user names
// "\work\parent\out", the output lies in "\work\real\out".
const std::string kOutdir = "\\work\\parent\\out";
const std::string kRealParent = "\\work\\real";
const std::string kRealOutput = "\\work\\real\\out";

const std::string& kToc = testing::kFramedTwoEntryToc;
const std::string kContent =
    "<html><head><title>Birds</title></head><body>\r\n<p>pre</p>"
    "<h1><a name=\"_Toc1\">One</a></h1><p><img src=\"pic.gif\"></p>"
    "<h1><a name=\"_Toc2\">Two</a></h1><p>b</p></body></html>";
const std::string kFrames =
    "<html><frameset cols=\"245,*\">\r\n<frame name=TOC src=\"toc.htm\">\r\n"
    "<frame name=Frame1 src=\"Body.htm\">\r\n</frameset></html>\r\n";

// A site to convert, and the folders around it: the output's parent behind
// a link, and an earlier output there.
void AddWorld(MemoryFileOperations& files) {
  files.AddFile(kSite + "\\doc.htm", kFrames);
  files.AddFile(kSite + "\\toc.htm", kToc);
  files.AddFile(kSite + "\\Body.htm", kContent);
  files.AddFile(kSite + "\\pic.gif", "GIF89a picture");
  files.AddFolder(kRealParent);
  files.AddLink("\\work\\parent", kRealParent);
}

void AddEarlierOutput(MemoryFileOperations& files) {
  files.AddFile(kRealOutput + "\\.quillery-output", "an earlier output\n");
  files.AddFile(kRealOutput + "\\doc.htm", "old main file");
  files.AddFile(kRealOutput + "\\gone.htm", "an old page");
}

ConversionRequest OutdirRequest() {
  ConversionRequest request("\\work\\program");
  request.LEVELSTOBREAK = 1;
  request.OUTDIR = kOutdir;
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

TEST(PrepareOutputFolder, RefusesAPlaceThatCannotTakeTheOutput) {
  struct Row {
    const char* name;
    std::function<void(MemoryFileOperations&)> setUp;
    std::string outdir;
    std::string message;
  };
  const Row rows[] = {
      {"inside the site", [](MemoryFileOperations&) {}, kSite + "\\out",
       "refusing the output folder '/work/site/out': it must lie outside the "
       "document's folder '/work/site' and not hold it"},
      {"the site itself", [](MemoryFileOperations&) {}, kSite,
       "refusing the output folder '/work/site': it must lie outside the "
       "document's folder '/work/site' and not hold it"},
      {"holding the site", [](MemoryFileOperations&) {}, "\\work",
       "refusing the output folder '/work': it must lie outside the "
       "document's folder '/work/site' and not hold it"},
      {"inside the site through a link",
       [](MemoryFileOperations& files) {
         files.AddLink("\\work\\into", kSite);
       },
       "\\work\\into\\out",
       "refusing the output folder '/work/into/out': it must lie outside the "
       "document's folder '/work/site' and not hold it"},
      {"a file in the way",
       [](MemoryFileOperations& files) {
         files.AddFile(kRealOutput, "a file");
       },
       kOutdir, "cannot write '/work/parent/out': a file is in the way"},
      {"a link in the way",
       [](MemoryFileOperations& files) {
         files.AddFolder("\\work\\elsewhere");
         files.AddLink(kRealOutput, "\\work\\elsewhere");
       },
       kOutdir,
       "cannot write '/work/parent/out': a symbolic link is in the way"},
      {"a folder of files that are no output of ours",
       [](MemoryFileOperations& files) {
         files.AddFile(kRealOutput + "\\thesis.doc", "years of work");
       },
       kOutdir,
       "refusing to write into '/work/parent/out': it holds files that are "
       "no output of quillery"},
      {"its parent missing", [](MemoryFileOperations&) {}, "\\work\\none\\out",
       "cannot write '/work/none/out': its folder does not exist"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddWorld(files);
    row.setUp(files);
    const Tree before = files.Tree();
    EXPECT_EQ(
        MessageOf([&] {
          static_cast<void>(PrepareOutputFolder(files, row.outdir, kSite));
        }),
        row.message);
    EXPECT_EQ(files.Tree(), before);
  }
}

// The site folder named in another case is the site folder where its file
// system folds letter case.
TEST(PrepareOutputFolder, RefusesTheSiteInAnotherCaseWhereCaseFolds) {
  for (const std::string outdir : {"\\work\\SITE", "\\WORK"}) {
    SCOPED_TRACE(outdir);
    MemoryFileOperations files;
    files.SetFoldsLetterCase(true);
    AddWorld(files);
    const Tree before = files.Tree();
    EXPECT_EQ(MessageOf([&] {
                static_cast<void>(PrepareOutputFolder(files, outdir, kSite));
              }),
              "refusing the output folder '" + ShownPath(outdir) +
                  "': it must lie outside the document's folder '/work/site' "
                  "and not hold it");
    EXPECT_EQ(files.Tree(), before);
  }
}

TEST(PrepareOutputFolder, RefusesWhileAnotherRunHoldsTheParent) {
  MemoryFileOperations files;
  AddWorld(files);
  const std::unique_ptr<HeldLock> held = files.LockFolder(kRealParent);
  ASSERT_TRUE(held);
  EXPECT_EQ(MessageOf([&] {
              static_cast<void>(PrepareOutputFolder(files, kOutdir, kSite));
            }),
            "cannot write '/work/parent/out': another conversion is writing "
            "into its folder '/work/parent'");
}

TEST(PrepareOutputFolder, TakesAnEmptyFolderOrAnEarlierOutput) {
  for (const bool earlier : {false, true}) {
    MemoryFileOperations files;
    AddWorld(files);
    if (earlier) {
      AddEarlierOutput(files);
    } else {
      files.AddFolder(kRealOutput);
    }
    const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
    EXPECT_EQ(place.output, kOutdir);
    EXPECT_EQ(place.target, kRealOutput);
    EXPECT_TRUE(place.replaces);
    // The lock is held as long as the place is.
    EXPECT_FALSE(files.LockFolder(kRealParent));
  }
}

TEST(PrepareOutputFolder, RemovesWhatAnEarlierBuildLeftAndNoMore) {
  const std::string build = kRealParent + "\\.quillery\\build";
  struct Row {
    const char* name;
    std::function<void(MemoryFileOperations&)> setUp;
  };
  const Row rows[] = {
      {"a folder",
       [&build](MemoryFileOperations& files) {
         files.AddFile(build + "\\doc.htm", "half");
         files.AddFile(build + "\\sub\\p.htm", "half");
         files.AddLink(build + "\\out", "\\work\\sentinel");
       }},
      {"a file",
       [&build](MemoryFileOperations& files) { files.AddFile(build, "x"); }},
      {"a link to a folder",
       [&build](MemoryFileOperations& files) {
         files.AddLink(build, "\\work\\sentinel");
       }},
      {"a link to a file",
       [&build](MemoryFileOperations& files) {
         files.AddLink(build, "\\work\\sentinel\\keep.htm");
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    AddWorld(files);
    files.AddFile("\\work\\sentinel\\keep.htm", "keep me");
    row.setUp(files);
    const Tree sentinel = files.Tree("\\work\\sentinel");
    const Tree site = files.Tree(kSite);
    const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
    EXPECT_EQ(place.build, build);
    EXPECT_FALSE(files.LookAt(build).exists);
    EXPECT_EQ(files.Tree("\\work\\sentinel"), sentinel);
    EXPECT_EQ(files.Tree(kSite), site);
  }
}

// Every file operation of a whole run into an output folder, made to fail,
// with an exchange of folders and with two renames in its stead: nothing
// the user had changes, nothing of ours is left, and the message names the
// output folder as the user gave it.
TEST(OutputFolderRun, AFailureAtEachCallLeavesEverythingAsItWas) {
  struct Row {
    const char* name;
    std::function<void(MemoryFileOperations&)> setUp;
  };
  const Row rows[] = {
      {"no earlier output", [](MemoryFileOperations&) {}},
      {"an earlier output", AddEarlierOutput},
      // The bookkeeping folder was not made by this run: it stays.
      {"an earlier output, and notes in the bookkeeping folder",
       [](MemoryFileOperations& files) {
         AddEarlierOutput(files);
         files.AddFile(kRealParent + "\\.quillery\\notes", "kept");
       }},
  };
  for (const auto& [row, exchange] :
       {std::pair{rows[0], true}, std::pair{rows[1], true},
        std::pair{rows[2], true}, std::pair{rows[1], false},
        std::pair{rows[2], false}}) {
    SCOPED_TRACE(std::string(row.name) +
                 (exchange ? ", exchange" : ", two renames"));
    std::size_t callsOfARun = 0;
    Tree converted;
    {
      MemoryFileOperations files;
      files.SetExchange(exchange);
      AddWorld(files);
      row.setUp(files);
      ConversionProgress quiet;
      ASSERT_EQ(RunConversion(kMainFile, OutdirRequest(), files, quiet),
                ConversionOutcome::kConverted);
      callsOfARun = files.calls();
      converted = files.Tree(kRealOutput);
    }
    ASSERT_GT(callsOfARun, 20u);
    std::size_t failed = 0;
    for (std::size_t failing = 1; failing <= callsOfARun; ++failing) {
      SCOPED_TRACE(failing);
      MemoryFileOperations files;
      files.SetExchange(exchange);
      AddWorld(files);
      row.setUp(files);
      const Tree before = files.Tree();
      const Tree site = files.Tree(kSite);
      std::string failedCall;
      std::string failedPath;
      // Counted here: the calls of the writer's thread run the hook too.
      std::atomic<std::size_t> seen{0};
      files.SetHook(
          [&seen, &failedCall, &failedPath, failing](const FileCall& call) {
            if (++seen != failing) return;
            failedCall = std::string(call.name) + " " + call.path;
            failedPath = call.path;
            throw FileError(std::string(call.name), call.path, "injected");
          });
      ConversionProgress quiet;
      bool converts = false;
      const std::string message = MessageOf([&] {
        converts = RunConversion(kMainFile, OutdirRequest(), files, quiet) ==
                   ConversionOutcome::kConverted;
      });
      ASSERT_FALSE(failedCall.empty());
      // Known fault, left out here: see
      if (converts) {
        // The new output is in place; what a failure left of the old one
        // under the bookkeeping folder, the next run removes.
        EXPECT_EQ(files.Tree(kRealOutput), converted);
        EXPECT_EQ(files.Tree(kSite), site);
        continue;
      }
      ++failed;
      EXPECT_EQ(files.Tree(), before) << message;
      // Whatever fails in the output's folder is told as the user named it.
      if (failedPath.rfind(kRealParent, 0) == 0) {
        EXPECT_EQ(message.find(".quillery\\"), std::string::npos) << message;
        EXPECT_EQ(message.find(".quillery/"), std::string::npos) << message;
        EXPECT_EQ(message.find("build"), std::string::npos) << message;
        EXPECT_EQ(message.find("/work/real"), std::string::npos) << message;
        EXPECT_NE(message.find("'/work/parent"), std::string::npos) << message;
      }
    }
    EXPECT_GT(failed, callsOfARun / 2);
  }
}

// The looks and the lock taken before an earlier build is removed name the
// output folder (or its parent) as the user gave it: never the real place a
// link led to, nor the bookkeeping folder.
TEST(PrepareOutputFolder, AFailureNamesTheOutputFolderAsGiven) {
  struct Row {
    const char* call;
    std::string path;
  };
  const Row rows[] = {
      {"LockFolder", kRealParent},
      {"LookAt", kRealParent + "\\.quillery"},
      {"LookAt", kRealOutput},
      {"FolderEntries", kRealOutput},
      {"LookAt", kRealOutput + "\\.quillery-output"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.call) + " " + row.path);
    MemoryFileOperations files;
    AddWorld(files);
    AddEarlierOutput(files);
    files.SetHook([&row](const FileCall& call) {
      if (call.name == row.call && call.path == row.path) {
        throw FileError(std::string(call.name), call.path, "injected");
      }
    });
    const std::string message = MessageOf(
        [&] { static_cast<void>(PrepareOutputFolder(files, kOutdir, kSite)); });
    EXPECT_NE(message.find(row.path == kRealParent ? "'/work/parent'"
                                                   : "'/work/parent/out"),
              std::string::npos)
        << message;
    EXPECT_EQ(message.find("/work/real"), std::string::npos) << message;
    EXPECT_EQ(message.find("/.quillery'"), std::string::npos) << message;
    EXPECT_EQ(message.find("/.quillery/"), std::string::npos) << message;
  }
}

// When making the parent durable fails after the new output was swapped
// in, the swap is taken back: the failed run leaves the earlier output.
TEST(OutputFolderWriter, AFailedSyncAfterTheSwapKeepsTheEarlierOutput) {
  MemoryFileOperations files;
  AddWorld(files);
  AddEarlierOutput(files);
  const Tree earlier = files.Tree(kRealOutput);
  const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
  bool failed = false;
  {
    OutputFolderWriter writer(files, place, kMainFile, kMainFile, {});
    static_cast<void>(writer.KeyOf(kSite + "\\page.htm"));
    writer.WriteFile(0, kSite + "\\page.htm", "<p>new</p>");
    files.SetHook([](const FileCall& call) {
      if (call.name == "SyncFolder" && call.path == kRealParent) {
        throw FileError("sync", call.path, "injected");
      }
    });
    try {
      writer.Commit();
    } catch (const FileError&) {
      failed = true;
    }
  }
  if (failed) {
    EXPECT_EQ(files.Tree(kRealOutput), earlier);
  } else {
    EXPECT_EQ(files.Contents(kRealOutput + "\\page.htm"), "<p>new</p>");
  }
}

// A kill at any call leaves the earlier output whole, old or new, never a
// mix, once the next run into the place has begun: with an exchange of
// folders at once, and without, where a kill between the two renames of the
// swap leaves no output until the next run finishes the recorded swap.
TEST(OutputFolderRun, AKillAtEachCallLeavesTheOldOutputOrTheNewOne) {
  struct Killed {};
  for (const bool exchange : {true, false}) {
    SCOPED_TRACE(exchange ? "exchange" : "two renames");
    Tree old;
    Tree converted;
    std::size_t callsOfARun = 0;
    {
      MemoryFileOperations files;
      files.SetExchange(exchange);
      AddWorld(files);
      AddEarlierOutput(files);
      old = files.Tree(kRealOutput);
      ConversionProgress quiet;
      ASSERT_EQ(RunConversion(kMainFile, OutdirRequest(), files, quiet),
                ConversionOutcome::kConverted);
      converted = files.Tree(kRealOutput);
      callsOfARun = files.calls();
      EXPECT_FALSE(files.LookAt(kRealParent + "\\.quillery").exists);
    }
    ASSERT_NE(old, converted);
    std::size_t sawOld = 0;
    std::size_t sawNew = 0;
    std::size_t sawNone = 0;
    for (std::size_t killAt = 1; killAt <= callsOfARun; ++killAt) {
      SCOPED_TRACE(killAt);
      MemoryFileOperations files;
      files.SetExchange(exchange);
      AddWorld(files);
      AddEarlierOutput(files);
      const Tree site = files.Tree(kSite);
      std::atomic<std::size_t> seen{0};
      files.SetHook([&seen, killAt](const FileCall&) {
        if (++seen == killAt) throw Killed();
      });
      ConversionProgress quiet;
      EXPECT_THROW(static_cast<void>(
                       RunConversion(kMainFile, OutdirRequest(), files, quiet)),
                   Killed);
      files.SetHook(nullptr);
      sawNone += !files.LookAt(kRealOutput).exists;
      // The next run into the place.
      static_cast<void>(PrepareOutputFolder(files, kOutdir, kSite));
      const Tree now = files.Tree(kRealOutput);
      EXPECT_TRUE(now == old || now == converted);
      sawOld += now == old;
      sawNew += now == converted;
      EXPECT_EQ(files.Tree(kSite), site);
      ASSERT_EQ(RunConversion(kMainFile, OutdirRequest(), files, quiet),
                ConversionOutcome::kConverted);
      EXPECT_EQ(files.Tree(kRealOutput), converted);
      EXPECT_FALSE(files.LookAt(kRealParent + "\\.quillery").exists);
    }
    EXPECT_GT(sawOld, 0u);
    EXPECT_GT(sawNew, 0u);
    EXPECT_EQ(sawNone > 0, !exchange);
  }
}

// A written file keeps the permissions of the site's file it stands for,
// and a new page gets those of a new file, whether or not the site folder
// can be listed (a folder that can only be passed through is asked about
// each file).
TEST(OutputFolderRun, AWrittenFileKeepsThePermissionsOfTheSiteFile) {
  for (const bool listable : {true, false}) {
    SCOPED_TRACE(listable ? "listed" : "not listed");
    MemoryFileOperations files;
    AddWorld(files);
    files.AddFile(kSite + "\\toc.htm", kToc, 0640);
    files.AddFile(kSite + "\\Body_p1.htm", "an old page", 0600);
    if (!listable) {
      files.SetHook([](const FileCall& call) {
        if (call.name == "FolderEntries" && call.path == kSite) {
          throw FileError("cannot read", call.path, "Permission denied");
        }
      });
    }
    ConversionProgress quiet;
    ASSERT_EQ(RunConversion(kMainFile, OutdirRequest(), files, quiet),
              ConversionOutcome::kConverted);
    EXPECT_EQ(files.LookAt(kRealOutput + "\\toc.htm").mode, 0640u);
    EXPECT_EQ(files.LookAt(kRealOutput + "\\Body_p1.htm").mode, 0600u);
    EXPECT_EQ(files.LookAt(kRealOutput + "\\Body_p2.htm").mode,
              files.NewFileMode());
  }
}

TEST(OutputFolderWriter, EveryPathIsResolvedBeforeTheFirstWrite) {
  MemoryFileOperations files;
  AddWorld(files);
  const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
  {
    OutputFolderWriter writer(files, place, kMainFile, kMainFile, {});
    const std::string page = kSite + "\\page.htm";
    static_cast<void>(writer.KeyOf(page));
    EXPECT_THROW(writer.WriteFile(0, kSite + "\\never.htm", "x"),
                 std::logic_error);
    writer.WriteFile(0, page, "<p>page</p>");
    EXPECT_THROW(static_cast<void>(writer.KeyOf(page)), std::logic_error);
    EXPECT_THROW(static_cast<void>(writer.KeyOf(kSite + "\\late.htm")),
                 std::logic_error);
  }
  // Not committed: the build and the bookkeeping folder made for it are gone.
  EXPECT_FALSE(files.LookAt(kRealParent + "\\.quillery").exists);
  EXPECT_FALSE(files.LookAt(kRealOutput).exists);
}

TEST(OutputFolderWriter, CopiesWhatTheWrittenFilesReferTo) {
  MemoryFileOperations files;
  AddWorld(files);
  files.AddFile(kSite + "\\style.css",
                "body { background: url('img/back.png') }");
  files.AddFile(kSite + "\\img\\back.png", "PNG back");
  files.AddFile(kSite + "\\other.htm",
                "<html><body><img src=\"img/two.gif\"></body></html>");
  files.AddFile(kSite + "\\img\\two.gif", "GIF two");
  files.AddFile(kSite + "\\unused.gif", "GIF unused");
  files.AddFile("\\work\\elsewhere\\ext.gif", "GIF outside");
  files.AddLink(kSite + "\\ext.gif", "\\work\\elsewhere\\ext.gif");
  const std::string page =
      "<html><head><link rel=stylesheet href=\"style.css\"></head><body>"
      "<img src=\"pic.gif\"><a href=\"other.htm\">o</a>"
      "<img src=\"ext.gif\"><a href=\"http://example.com/\">e</a>"
      "<img src=\"missing.gif\"></body></html>";
  const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
  {
    OutputFolderWriter writer(files, place, kMainFile, kMainFile, {});
    static_cast<void>(writer.KeyOf(kSite + "\\page.htm"));
    writer.WriteFile(0, kSite + "\\page.htm", page);
    writer.Commit();
    // The link out of the site and the other scheme.
    EXPECT_EQ(writer.outsideReferences(), 2u);
  }
  const Tree expected = {
      {kRealOutput + "\\.quillery-output",
       "This folder is the output of quillery from '/work/site/doc.htm'.\n"},
      {kRealOutput + "\\doc.htm", kFrames},
      // What the main file shows, copied as it is.
      {kRealOutput + "\\toc.htm", kToc},
      {kRealOutput + "\\Body.htm", kContent},
      {kRealOutput + "\\page.htm", page},
      {kRealOutput + "\\pic.gif", "GIF89a picture"},
      {kRealOutput + "\\style.css", "body { background: url('img/back.png') }"},
      {kRealOutput + "\\img\\", ""},
      {kRealOutput + "\\img\\back.png", "PNG back"},
      {kRealOutput + "\\other.htm",
       "<html><body><img src=\"img/two.gif\"></body></html>"},
      {kRealOutput + "\\img\\two.gif", "GIF two"},
  };
  EXPECT_EQ(files.Tree(kRealOutput), expected);
  EXPECT_FALSE(files.LookAt(kRealParent + "\\.quillery").exists);
}

TEST(OutputFolderWriter, CountsTheReferencesOfFilesCountedElsewhereNot) {
  MemoryFileOperations files;
  AddWorld(files);
  const std::string outside = "<a href=\"http://example.com/\">e</a>";
  files.AddFile(kSite + "\\copied.htm", outside);
  const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
  OutputFolderWriter writer(files, place, kMainFile, kMainFile,
                            {kSite + "\\copied.htm"});
  static_cast<void>(writer.KeyOf(kSite + "\\a.htm"));
  static_cast<void>(writer.KeyOf(kSite + "\\copied.htm"));
  writer.WriteFile(0, kSite + "\\a.htm", outside + "<a href=\"copied.htm\">c</a>");
  writer.WriteFile(1, kSite + "\\copied.htm", outside);
  writer.Commit();
  EXPECT_EQ(writer.outsideReferences(), 1u);
}

// A picture and a folder referred to in several cases: where the site's
// file system folds letter case each is copied once, named as the site
// names it; where it does not, only the spelling that names it is copied.
// The output is the same.
TEST(OutputFolderWriter, CopiesAFileReferredToInTwoCasesOnce) {
  const std::string page =
      "<img src=\"photo.gif\"><img src=\"Photo.gif\"><img src=\"PHOTO.GIF\">"
      "<img src=\"img/A.gif\"><img src=\"IMG/a.gif\"><img src=\"Img/a.GIF\">";
  for (const bool folds : {true, false}) {
    SCOPED_TRACE(folds);
    MemoryFileOperations files;
    files.SetFoldsLetterCase(folds);
    AddWorld(files);
    files.AddFile(kSite + "\\Photo.gif", "GIF photo");
    files.AddFile(kSite + "\\IMG\\a.gif", "GIF a");
    const OutputPlace place = PrepareOutputFolder(files, kOutdir, kSite);
    {
      OutputFolderWriter writer(files, place, kMainFile, kMainFile, {});
      static_cast<void>(writer.KeyOf(kSite + "\\page.htm"));
      writer.WriteFile(0, kSite + "\\page.htm", page);
      writer.Commit();
    }
    const Tree expected = {
        {kRealOutput + "\\.quillery-output",
         "This folder is the output of quillery from '/work/site/doc.htm'.\n"},
        {kRealOutput + "\\doc.htm", kFrames},
        {kRealOutput + "\\toc.htm", kToc},
        {kRealOutput + "\\Body.htm", kContent},
        {kRealOutput + "\\pic.gif", "GIF89a picture"},
        {kRealOutput + "\\page.htm", page},
        {kRealOutput + "\\Photo.gif", "GIF photo"},
        {kRealOutput + "\\IMG\\", ""},
        {kRealOutput + "\\IMG\\a.gif", "GIF a"},
    };
    EXPECT_EQ(files.Tree(kRealOutput), expected);
  }
}

}  // namespace
}  // namespace quillery
