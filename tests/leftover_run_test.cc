// Whole-program runs on a site whose bookkeeping folder holds what someone
// else put there, as a downloaded site can: a planted record, links, FIFOs,
// huge or garbled files. Nothing outside the site may change, the run never
// hangs or crashes, and no shape leaves the site stuck: the leftovers are
// removed unapplied and the site converted, or the run is refused with one
// line that names the way out.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::MakeFifo;
using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;
using Tree = std::map<std::string, std::string>;

const std::string& kContent = testing::kTwoHeadingContent;
const std::string& kToc = testing::kTwoEntryToc;
const std::string kFrames = testing::FramesPage("toc.htm", "Body.htm");

const std::vector<std::string> kWords = {
    "/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"};

class LeftoverRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* folder : {"site", "clean"}) {
      WriteBytes(dir_.File(std::string(folder) + "/doc.htm"), kFrames);
      WriteBytes(dir_.File(std::string(folder) + "/toc.htm"), kToc);
      WriteBytes(dir_.File(std::string(folder) + "/Body.htm"), kContent);
    }
    WriteBytes(dir_.File("outside/victim.txt"), "the user's own file");
    WriteBytes(dir_.File("outside/secret.txt"), "a secret");
    WriteBytes(dir_.File("outside/build/kept.txt"), "kept");
    const auto clean = RunQuillery(
        {"/MAINFILE=clean/doc.htm", "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"},
        dir_.path());
    ASSERT_EQ(clean.exitStatus, 0) << clean.err;
    converted_ = ReadTree(dir_.File("clean"));
    outside_ = ReadTree(dir_.File("outside"));
    original_ = ReadTree(dir_.File("site"));
  }
  std::string File(const std::string& name) const { return dir_.File(name); }
  void Link(const std::string& target, const std::string& name) const {
    ASSERT_TRUE(testing::MakeSymbolicLink(target, File(name))) << name;
  }
  // The staging folder, and a record in it made for this very site and
  // staging folder, holding `lines`.
  void PlantRecord(const std::string& lines) const {
    std::filesystem::create_directories(File("site/.quillery/staging"));
    WriteBytes(File("site/.quillery/staging/record"), Heading() + lines);
  }
  std::string Heading() const {
    const PathFacts site = LookAt(InternalPath(File("site")));
    const PathFacts staging =
        LookAt(InternalPath(File("site/.quillery/staging")));
    EXPECT_TRUE(site.isFolder && staging.isFolder);
    return "quillery staging record 2 " + std::to_string(site.device) + " " +
           std::to_string(site.inode) + " " + std::to_string(staging.inode) +
           "\n";
  }
  // Facts of an outside file as a record gives them.
  std::string Recorded(const std::string& name) const {
    const PathFacts facts = LookAt(InternalPath(File(name)));
    EXPECT_TRUE(facts.isRegular);
    return "1 " + std::to_string(facts.size) + " " +
           std::to_string(facts.modifiedNs);
  }
  void RestoreSite() const {
    testing::RemoveAll(File("site"));
    for (const auto& [name, bytes] : original_) {
      WriteBytes(File("site/" + name), bytes);
    }
  }
  // The site converted as a clean run converts it, the bookkeeping gone.
  void ExpectConverted(const testing::RunResult& result) {
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_FALSE(std::filesystem::exists(
        std::filesystem::symlink_status(File("site/.quillery"))));
    Tree site = ReadTree(File("site"));
    EXPECT_EQ(site, converted_);
  }

  ScopedTempDir dir_;
  Tree converted_;
  Tree outside_;
  Tree original_;
};

TEST_F(LeftoverRunTest, APlantedLeftoverIsRemovedUnappliedAndTheSiteConverted) {
  const std::string removed =
      "quillery: removed what an interrupted "
      "conversion left in '" +
      File("site/.quillery") + "' without applying it: ";
  struct Row {
    const char* name;
    std::function<void()> plant;
    std::string why;
    // What the host must make or show for the row, when not everything.
    bool (*hostCan)() = nullptr;
  };
  const Row rows[] = {
      {"a record that creates a file outside",
       [&] {
         PlantRecord("n 2 0 0 0 ..\\outside\\created.txt\n");
         WriteBytes(File("site/.quillery/staging/2"), "planted");
       },
       "line 2 of the record is malformed"},
      {"a record that overwrites a file outside",
       [&] {
         PlantRecord("n 2 " + Recorded("outside/victim.txt") +
                     " ..\\outside\\victim.txt\n");
         WriteBytes(File("site/.quillery/staging/2"), "planted");
       },
       "line 2 of the record is malformed"},
      {"a staged name that takes a file from outside",
       [&] { PlantRecord("n ../../../outside/secret.txt 0 0 0 stolen.txt\n"); },
       "line 2 of the record is malformed"},
      {"an escaped way out",
       [&] {
         PlantRecord("n 2 0 0 0 %2E%2E%2Foutside%2Fcreated.txt\n");
         WriteBytes(File("site/.quillery/staging/2"), "planted");
       },
       "line 2 of the record is malformed"},
      {"a link in the site on the way to the target",
       [&] {
         Link(File("outside"), "site/sub");
         PlantRecord("n 2 " + Recorded("outside/victim.txt") +
                     " sub\\victim.txt\n");
         WriteBytes(File("site/.quillery/staging/2"), "planted");
       },
       "the way to '" + File("site/sub/victim.txt") + "' is blocked"},
      {"a staged file that is a link to a file outside",
       [&] {
         PlantRecord("n 2 0 0 0 stolen.txt\n");
         Link(File("outside/secret.txt"), "site/.quillery/staging/2");
       },
       "the staged file '2' is no regular file of its own",
       testing::ShowsLinksToFiles},
      {"a staged file that is a second name of a file outside",
       [&] {
         PlantRecord("n 2 0 0 0 stolen.txt\n");
         std::filesystem::create_hard_link(
             std::filesystem::u8path(File("outside/secret.txt")),
             std::filesystem::u8path(File("site/.quillery/staging/2")));
       },
       "the staged file '2' is no regular file of its own"},
      {"a staged FIFO",
       [&] {
         PlantRecord("n 2 0 0 0 fifo.htm\n");
         ASSERT_EQ(MakeFifo(File("site/.quillery/staging/2")), 0);
       },
       "the staged file '2' is no regular file of its own", testing::HasFifos},
      {"a record that is a link",
       [&] {
         std::filesystem::create_directories(File("site/.quillery/staging"));
         WriteBytes(File("outside/record"),
                    Heading() + "n 2 0 0 0 stolen.txt\n");
         outside_ = ReadTree(File("outside"));
         Link(File("outside/record"), "site/.quillery/staging/record");
       },
       "the record is no regular file of its own", testing::ShowsLinksToFiles},
      {"a FIFO record",
       [&] {
         std::filesystem::create_directories(File("site/.quillery/staging"));
         ASSERT_EQ(MakeFifo(File("site/.quillery/staging/record")), 0);
       },
       "the record is no regular file of its own", testing::HasFifos},
      {"a sparse record of 40 GB",
       [&] {
         PlantRecord("");
         std::filesystem::resize_file(
             std::filesystem::u8path(File("site/.quillery/staging/record")),
             std::uintmax_t{40} << 30);
       },
       "the record is larger than any conversion writes"},
      {"a truncated record", [&] { PlantRecord("n 2 0 0 0 Body_p1"); },
       "the record is cut short"},
      {"a zero byte in the record",
       [&] { PlantRecord(std::string("n 2 0 0 0 Body\0.htm\n", 20)); },
       "line 2 of the record is malformed"},
      {"garbage",
       [&] {
         std::filesystem::create_directories(File("site/.quillery/staging"));
         WriteBytes(File("site/.quillery/staging/record"),
                    std::string("\x7f"
                                "ELF\x02\x01\0\0\n",
                                9));
       },
       "the record is not quillery's"},
      {"a record of another site folder",
       [&] {
         PlantRecord("");
         WriteBytes(File("site/.quillery/staging/record"),
                    "quillery staging record 2 1 2 3\nn 2 0 0 0 Body_p1.htm\n");
         WriteBytes(File("site/.quillery/staging/2"), "planted");
       },
       "the record was not written in this folder"},
      {"a staging folder that is a link",
       [&] {
         std::filesystem::create_directories(File("site/.quillery"));
         Link(File("outside"), "site/.quillery/staging");
       },
       "'" + File("site/.quillery/staging") + "' was no folder",
       testing::RemovesLinksToFolders},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.hostCan != nullptr && !row.hostCan()) {
      std::cout << "not planted here: " << row.name << "\n";
      continue;
    }
    row.plant();
    const auto result = RunQuillery(kWords, dir_.path());
    EXPECT_NE(result.err.find(removed + row.why + "\n"), std::string::npos)
        << result.err;
    ExpectConverted(result);
    EXPECT_EQ(ReadTree(File("outside")), outside_);
    RestoreSite();
  }
}

TEST_F(LeftoverRunTest, LeftoversWithoutARecordAndAnEmptyFolderGoQuietly) {
  for (bool withStagedFiles : {false, true}) {
    if (withStagedFiles && !testing::RemovesLinksToFolders()) continue;
    SCOPED_TRACE(withStagedFiles ? "staged files" : "an empty folder");
    std::filesystem::create_directories(File("site/.quillery"));
    if (withStagedFiles) {
      WriteBytes(File("site/.quillery/staging/2"), "half");
      Link(File("outside"), "site/.quillery/staging/_originals");
    }
    const auto result = RunQuillery(kWords, dir_.path());
    EXPECT_EQ(result.err.find("removed"), std::string::npos) << result.err;
    ExpectConverted(result);
    EXPECT_EQ(ReadTree(File("outside")), outside_);
    RestoreSite();
  }
}

TEST_F(LeftoverRunTest, WhatIsNotOursIsRefusedWithTheWayOut) {
  struct Row {
    const char* name;
    std::function<void()> plant;
    std::string error;
  };
  const std::string site = File("site");
  const Row rows[] = {
      {"a bookkeeping folder that is a link",
       [&] { Link(File("outside"), "site/.quillery"); },
       "refusing to work in '" + site + "': '" + File("site/.quillery") +
           "' is a symbolic link, not quillery's own folder; "
           "remove it and run again"},
      {"a bookkeeping folder that is a file",
       [&] { WriteBytes(File("site/.quillery"), "mine"); },
       "refusing to work in '" + site + "': '" + File("site/.quillery") +
           "' is a file, not quillery's own folder; remove it and "
           "run again"},
      {"a name the writer does not make",
       [&] { WriteBytes(File("site/.quillery/staging/notes.txt"), "mine"); },
       "refusing to work in '" + site + "': '" +
           File("site/.quillery/staging/notes.txt") +
           "' was not put there by quillery; remove '" +
           File("site/.quillery") + "' and run again"},
      {"a folder under a staged name",
       [&] { WriteBytes(File("site/.quillery/staging/2/x"), "mine"); },
       "refusing to work in '" + site + "': '" +
           File("site/.quillery/staging/2") +
           "' was not put there by quillery; remove '" +
           File("site/.quillery") + "' and run again"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    row.plant();
    const Tree before = ReadTree(File("site"));
    const auto result = RunQuillery(kWords, dir_.path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "quillery: " + row.error + "\n");
    EXPECT_EQ(ReadTree(File("site")), before);
    EXPECT_EQ(ReadTree(File("outside")), outside_);
    // The way out the message names.
    testing::RemoveAll(File("site/.quillery"));
    ExpectConverted(RunQuillery(kWords, dir_.path()));
    RestoreSite();
  }
}

TEST_F(LeftoverRunTest, AnOutputParentsBookkeepingIsCheckedToo) {
  const std::vector<std::string> words = {
      "/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1",
      "/OUTDIR=parent/out"};
  std::filesystem::create_directories(File("parent"));
  // A link for the bookkeeping folder: refused, nothing made or removed.
  Link(File("outside"), "parent/.quillery");
  auto result = RunQuillery(words, dir_.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: refusing to work in '" + File("parent") +
                            "': '" + File("parent/.quillery") +
                            "' is a symbolic link, not quillery's "
                            "own folder; remove it and run again\n");
  EXPECT_FALSE(std::filesystem::exists(File("parent/out")));
  EXPECT_EQ(ReadTree(File("outside")), outside_);
  // A link where the build folder goes is removed itself.
  if (!testing::RemovesLinksToFolders()) {
    GTEST_SKIP() << "this system cannot remove a link to a folder";
  }
  testing::RemoveAll(File("parent/.quillery"));
  std::filesystem::create_directories(File("parent/.quillery"));
  Link(File("outside/build"), "parent/.quillery/build");
  result = RunQuillery(words, dir_.path());
  EXPECT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(ReadTree(File("outside")), outside_);
  EXPECT_FALSE(std::filesystem::exists(
      std::filesystem::symlink_status(File("parent/.quillery"))));
  EXPECT_EQ(ReadTree(File("site")), original_);
  // The site's own bookkeeping folder as a link refuses an output run too.
  Link(File("outside"), "site/.quillery");
  result = RunQuillery(words, dir_.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: refusing to work in '" + File("site") +
                            "': '" + File("site/.quillery") +
                            "' is a symbolic link, not quillery's "
                            "own folder; remove it and run again\n");
  EXPECT_EQ(ReadTree(File("outside")), outside_);
}

}  // namespace
}  // namespace quillery
