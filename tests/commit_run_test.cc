// The all-or-nothing writer under failures and stops at every one of its
// file operations, on a small site converted in a temporary folder: a
// failure leaves every file as it was; a stop, as a kill would, leaves a
// state from which the next run reaches exactly the clean run's result.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "convert/conversion_driver.h"
#include "convert/conversion_error.h"
#include "convert/conversion_request.h"
#include "convert/file_operations.h"
#include "convert/interrupted_commit.h"
#include "convert/output_folder.h"
#include "convert/staged_writer.h"
#include "platform/file_io.h"
#include "platform/file_system.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;
using Tree = std::map<std::string, std::string>;

// Thrown in place of a kill: nothing of the writer catches it.
struct Stopped {};

// The real file system, with the n-th changing operation failing or
// stopping the run.
class InjectedFileOperations : public SystemFileOperations {
 public:
  int failAt = 0;  // 0: never
  int stopAt = 0;
  int changeAt = 0;
  std::function<void()> change;  // done at changeAt, before the operation
  bool hardLinks = true;         // false: as a file system without them
  bool exchange = true;  // false: as a system that cannot swap two folders
  int count = 0;
  int recordedAt = 0;  // the operation that put the record in place

  // One writing thread, so that the n-th operation is the same one in
  // every run.
  std::size_t WritesAtOnce() override { return 1; }
  void MakeFolder(const std::string& path) override {
    Step(path);
    SystemFileOperations::MakeFolder(path);
  }
  void WriteNewFile(const std::string& path, std::string_view bytes,
                    std::uint32_t mode) override {
    Step(path);
    SystemFileOperations::WriteNewFile(path, bytes, mode);
  }
  void CopyNewFile(const std::string& from, const std::string& to,
                   std::uint32_t mode) override {
    Step(to);
    SystemFileOperations::CopyNewFile(from, to, mode);
  }
  void SyncFileSystem(const std::string& path) override {
    Step(path);
    SystemFileOperations::SyncFileSystem(path);
  }
  void SyncFolder(const std::string& path) override {
    Step(path);
    SystemFileOperations::SyncFolder(path);
  }
  void RenameFile(const std::string& from, const std::string& to) override {
    Step(to);
    SystemFileOperations::RenameFile(from, to);
    if (to.size() > 7 && to.compare(to.size() - 7, 7, "\\record") == 0) {
      recordedAt = count;
    }
  }
  void RenameNewFile(const std::string& from, const std::string& to) override {
    Step(to);
    SystemFileOperations::RenameNewFile(from, to);
  }
  bool ExchangeFolders(const std::string& first,
                       const std::string& second) override {
    Step(second);
    return exchange && SystemFileOperations::ExchangeFolders(first, second);
  }
  bool LinkFile(const std::string& from, const std::string& to) override {
    Step(to);
    return hardLinks && SystemFileOperations::LinkFile(from, to);
  }
  void RemoveFile(const std::string& path) override {
    Step(path);
    SystemFileOperations::RemoveFile(path);
  }
  void RemoveFolder(const std::string& path) override {
    Step(path);
    SystemFileOperations::RemoveFolder(path);
  }

 private:
  void Step(const std::string& path) {
    // A killed run does nothing more: the cleanup that unwinding runs
    // reaches the disk no more than a killed process would.
    if (stopAt != 0 && count >= stopAt) throw Stopped{};
    ++count;
    if (count == changeAt) change();
    if (count == stopAt) throw Stopped{};
    if (count == failAt) {
      throw FileError("cannot write", path, "injected failure");
    }
  }
};

const std::string kContent =
    "<html><head><style>\r\n<!--\r\n /* Font Definitions */\r\n-->\r\n"
    "</style></head><body>\r\n<p>pre <a href=\"#_Toc2\">2</a></p>"
    "<h1><a name=\"_Toc1\">One</a></h1><p>a</p>"
    "<h1><a name=\"_Toc2\">Two</a></h1></body></html>";
const std::string kToc =
    "<html><body>\r\n<p class=MsoToc1><a href=\"Body.htm#_Toc1\">One</a></p>"
    "\r\n<p class=MsoToc1><a href=\"Body.htm#_Toc2\">Two</a></p>\r\n"
    "</body></html>";
const std::string kFrames =
    "<html><frameset cols=\"245,*\">\r\n<frame name=TOC src=\"toc.htm\">\r\n"
    "<frame name=Frame1 src=\"Body.htm\">\r\n</frameset></html>\r\n";

class CommitRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A re-run: one page and the stylesheet already stand, so the commit
    // replaces files as well as adding them.
    WriteBytes(File("doc.htm"), kFrames);
    WriteBytes(File("toc.htm"), kToc);
    WriteBytes(File("Body.htm"), kContent);
    WriteBytes(File("Body_p1.htm"), "an old page");
    WriteBytes(File("Body.css"), "old rules");
    request_.programFolder =
        InternalPath(std::string(QUILLERY_SOURCE_DIR) + "/convert");
    request_.LEVELSTOBREAK = 1;
    request_.TOCBULLETS = 1;
    original_ = ReadTree(dir_.path());
  }
  std::string File(const std::string& name) const {
    return dir_.File("site/" + name);
  }
  std::string MainFile() const { return InternalPath(File("doc.htm")); }
  ConversionOutcome Convert(FileOperations& files) {
    ConversionProgress silent;
    return RunConversion(MainFile(), request_, files, silent);
  }
  ConversionOutcome Convert() {
    SystemFileOperations files;
    return Convert(files);
  }
  void Restore() {
    testing::RemoveAll(dir_.path() + "/site");
    for (const auto& [name, bytes] : original_) {
      WriteBytes(dir_.File(name), bytes);
    }
  }
  // The clean run's result and the number of its changing operations.
  std::pair<Tree, int> CleanRun() {
    InjectedFileOperations files;
    EXPECT_EQ(Convert(files), ConversionOutcome::kConverted);
    Tree result = ReadTree(dir_.path());
    Restore();
    recordedAt_ = files.recordedAt;
    return {result, files.count};
  }

  ScopedTempDir dir_;
  ConversionRequest request_;
  Tree original_;
  int recordedAt_ = 0;
};

TEST_F(CommitRunTest, CleanRunLeavesNoBookkeeping) {
  const auto [clean, operations] = CleanRun();
  EXPECT_GT(operations, 10);
  EXPECT_EQ(clean.count("site/Body_p2.htm"), 1u);
  EXPECT_NE(clean.at("site/Body_p1.htm"), "an old page");
  EXPECT_FALSE(testing::Exists(File(".quillery")));
}

TEST_F(CommitRunTest, ReplacedFilesKeepTheirPermissions) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps no permission bits";
#endif
  std::filesystem::permissions(File("toc.htm"),
                               static_cast<std::filesystem::perms>(0640));
  std::filesystem::permissions(File("Body_p1.htm"),
                               static_cast<std::filesystem::perms>(0600));
  EXPECT_EQ(Convert(), ConversionOutcome::kConverted);
  EXPECT_EQ(LookAt(InternalPath(File("toc.htm"))).mode, 0640u);
  EXPECT_EQ(LookAt(InternalPath(File("Body_p1.htm"))).mode, 0600u);
  EXPECT_EQ(LookAt(InternalPath(File("Body_p2.htm"))).mode, NewFileMode());
}

TEST_F(CommitRunTest, PageNamesUpToTheLongestNameTheSystemTakes) {
  // 240 + "_p0.htm" is 247 bytes; the content page's own name is 244.
  const std::string base(240, 'n');
  WriteBytes(File(base + ".htm"), kContent);
  WriteBytes(File("doc.htm"),
             "<frame name=TOC src=\"toc.htm\"><frame name=Frame1 src=\"" +
                 base + ".htm\">");
  EXPECT_EQ(Convert(), ConversionOutcome::kConverted);
  EXPECT_TRUE(testing::Exists(File(base + "_p2.htm")));
  EXPECT_EQ(testing::ReadBytes(File("doc.htm")),
            "<frame name=TOC src=\"toc.htm\"><frame name=Frame1 src=\"" + base +
                "_p0.htm\">");
}

TEST_F(CommitRunTest, AFailureAtAnyOperationLeavesEveryFileAsItWas) {
  const auto [clean, operations] = CleanRun();
  // Failures while removing the bookkeeping after the commit are no failure
  // of the conversion: the run succeeds. Without hard links the replaced
  // files are put back from copies; the copies add operations.
  for (int failAt = 1; failAt <= operations + 8; ++failAt) {
    for (bool hardLinks : {true, false}) {
      SCOPED_TRACE("failing operation " + std::to_string(failAt) +
                   (hardLinks ? "" : " without hard links"));
      InjectedFileOperations files;
      files.failAt = failAt;
      files.hardLinks = hardLinks;
      bool failed = false;
      try {
        static_cast<void>(Convert(files));
      } catch (const FileError& error) {
        failed = true;
        EXPECT_NE(std::string(error.what()).find("injected failure"),
                  std::string::npos);
      }
      const Tree after = ReadTree(dir_.path());
      if (failed) {
        EXPECT_EQ(after, original_);
        EXPECT_FALSE(testing::Exists(File(".quillery")));
      } else {
        Tree withoutBookkeeping = after;
        for (auto it = withoutBookkeeping.begin();
             it != withoutBookkeeping.end();) {
          it = it->first.rfind("site/.quillery/", 0) == 0
                   ? withoutBookkeeping.erase(it)
                   : std::next(it);
        }
        EXPECT_EQ(withoutBookkeeping, clean);
      }
      Restore();
    }
  }
}

TEST_F(CommitRunTest, AfterAStopAtAnyOperationTheNextRunReachesTheCleanResult) {
  const auto [clean, operations] = CleanRun();
  for (int stopAt = 1; stopAt <= operations; ++stopAt) {
    SCOPED_TRACE("stopped at operation " + std::to_string(stopAt));
    InjectedFileOperations files;
    files.stopAt = stopAt;
    EXPECT_THROW(static_cast<void>(Convert(files)), Stopped);
    // Every file is as it was or as the conversion makes it.
    for (const auto& [name, bytes] : ReadTree(dir_.path())) {
      if (name.rfind("site/.quillery/", 0) == 0) continue;
      auto before = original_.find(name);
      auto after = clean.find(name);
      EXPECT_TRUE((before != original_.end() && before->second == bytes) ||
                  (after != clean.end() && after->second == bytes))
          << name;
    }
    // The next run finishes the commit, or removes what was staged and
    // converts the untouched site; a commit that had only its bookkeeping
    // left to remove is done.
    const bool mainFileReplaced =
        testing::ReadBytes(File("doc.htm")) != original_.at("site/doc.htm");
    SystemFileOperations real;
    const Recovery recovery =
        RecoverInterruptedCommit(real, InternalPath(dir_.File("site")));
    if (recovery != Recovery::kCompleted && !mainFileReplaced) {
      EXPECT_EQ(Convert(), ConversionOutcome::kConverted);
    }
    EXPECT_EQ(ReadTree(dir_.path()), clean);
    Restore();
  }
}

TEST_F(CommitRunTest, LeftoversOfAnEarlierRun) {
  const Tree clean = CleanRun().first;
  // Stopped at the first rename into place, once the record is durable.
  const int recorded = recordedAt_ + 2;
  ASSERT_GT(recordedAt_, 3);
  struct Row {
    const char* name;
    int stopAt;
    bool editMainFile;
    ConversionOutcome outcome;
  };
  const Row rows[] = {
      {"unfinished staging is removed", 3, false,
       ConversionOutcome::kConverted},
      {"a complete record is finished", recorded, false,
       ConversionOutcome::kCompletedInterrupted},
      {"a target changed since: the staging is removed", recorded, true,
       ConversionOutcome::kConverted},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    InjectedFileOperations files;
    files.stopAt = row.stopAt;
    EXPECT_THROW(static_cast<void>(Convert(files)), Stopped);
    EXPECT_TRUE(testing::Exists(File(".quillery/staging")));
    EXPECT_EQ(testing::Exists(File(".quillery/staging/record")),
              row.stopAt == recorded);
    Tree expected = clean;
    if (row.editMainFile) {
      WriteBytes(File("doc.htm"), kFrames + "<!-- edited -->");
      expected["site/doc.htm"] = "";  // converted from the edited page
    }
    // Into an output folder the half-done site is not read.
    request_.OUTDIR = dir_.File("../out");
    EXPECT_THROW(static_cast<void>(Convert()), Refusal);
    request_.OUTDIR.clear();
    EXPECT_EQ(Convert(), row.outcome);
    Tree after = ReadTree(dir_.path());
    if (row.editMainFile) {
      EXPECT_NE(after["site/doc.htm"].find("<!-- edited -->"),
                std::string::npos);
      after["site/doc.htm"] = "";
    }
    EXPECT_EQ(after, expected);
    Restore();
  }
}

TEST_F(CommitRunTest, ACopyOfAStoppedSiteDoesNotApplyItsRecord) {
  const Tree clean = CleanRun().first;
  InjectedFileOperations files;
  files.stopAt = recordedAt_ + 2;  // the first rename into place
  EXPECT_THROW(static_cast<void>(Convert(files)), Stopped);
  std::filesystem::copy(dir_.File("site"), dir_.File("copy"),
                        std::filesystem::copy_options::recursive);
  ASSERT_TRUE(testing::Exists(dir_.File("copy/.quillery/staging/record")));
  // In the copy the record names other folders: removed unapplied, and the
  // copy, whose files are all as they were, is converted afresh.
  SystemFileOperations real;
  std::string notice;
  EXPECT_EQ(
      RecoverInterruptedCommit(real, InternalPath(dir_.File("copy")), &notice),
      Recovery::kDiscarded);
  EXPECT_EQ(notice, "removed what an interrupted conversion left in '" +
                        dir_.File("copy/.quillery") +
                        "' without applying it: the record was not written "
                        "in this folder");
  // The site it was copied from still finishes its own commit.
  EXPECT_EQ(Convert(), ConversionOutcome::kCompletedInterrupted);
  testing::RemoveAll(dir_.File("copy"));
  EXPECT_EQ(ReadTree(dir_.path()), clean);
}

// A subfolder that holds the contents frame page and the bullet images is
// swapped for a link to a folder outside the site before each file
// operation in turn: the folder outside never receives a write.
TEST_F(CommitRunTest, ASubfolderSwappedForALinkDuringTheRunTakesNoWrite) {
  testing::RemoveAll(File("toc.htm"));
  WriteBytes(File("doc.htm"),
             "<frame name=TOC src=\"sub/toc.htm\">"
             "<frame name=Frame1 src=\"Body.htm\">");
  std::string toc = kToc;
  for (std::size_t at = toc.find("Body.htm"); at != std::string::npos;
       at = toc.find("Body.htm", at + 11)) {
    toc.insert(at, "../");
  }
  WriteBytes(File("sub/toc.htm"), toc);
  WriteBytes(dir_.File("outside/victim.txt"), "the user's own file");
  original_ = ReadTree(dir_.path());
  const Tree outside = ReadTree(dir_.File("outside"));
  const int operations = CleanRun().second;
  auto swap = [&] {
    std::filesystem::rename(File("sub"), File("moved"));
    ASSERT_TRUE(testing::MakeSymbolicLink(dir_.File("outside"), File("sub")));
  };
  int keptWrites = 0;
  for (int changeAt = 0; changeAt <= operations; ++changeAt) {
    SCOPED_TRACE("swapped before operation " + std::to_string(changeAt));
    InjectedFileOperations files;
    if (changeAt == 0) {
      swap();
    } else {
      files.changeAt = changeAt;
      files.change = swap;
    }
    try {
      static_cast<void>(Convert(files));
    } catch (const FileError&) {
    }
    EXPECT_EQ(ReadTree(dir_.File("outside")), outside);
    // Swapped once its folder was open, the contents frame page is written
    // where the folder went.
    if (testing::ReadBytes(File("moved/toc.htm")) != toc) ++keptWrites;
    testing::RemoveAll(dir_.File("outside"));
    Restore();
  }
  EXPECT_GT(keptWrites, 0);
}

// Into an output folder that holds an earlier output: a failure or a stop at
// any operation leaves that output as it was, or puts the new one in place
// whole, once the next run into the place has begun; the next run then
// gives the clean result. Swapped in one step where the system can, and by
// two recorded renames as where it cannot, a stop between which leaves no
// output until the next run.
TEST_F(CommitRunTest, AnOutputFolderIsReplacedWholeOrNotAtAll) {
  request_.OUTDIR = dir_.File("out");
  request_.LEVELSTOBREAK = 0;  // the earlier output: bullets only
  ASSERT_EQ(Convert(), ConversionOutcome::kConverted);
  const Tree earlier = ReadTree(dir_.path());
  request_.LEVELSTOBREAK = 1;
  InjectedFileOperations counting;
  ASSERT_EQ(Convert(counting), ConversionOutcome::kConverted);
  const Tree clean = ReadTree(dir_.path());
  ASSERT_NE(clean, earlier);
  auto restoreEarlier = [&] {
    testing::RemoveAll(dir_.File("out"));
    testing::RemoveAll(dir_.path() + "/.quillery");
    for (const auto& [name, bytes] : earlier) {
      WriteBytes(dir_.path() + "/" + name, bytes);
    }
  };
  // The same run without an exchange has more operations.
  InjectedFileOperations renaming;
  renaming.exchange = false;
  restoreEarlier();
  ASSERT_EQ(Convert(renaming), ConversionOutcome::kConverted);
  ASSERT_EQ(ReadTree(dir_.path()), clean);
  for (const bool exchange : {true, false}) {
    const int operations = exchange ? counting.count : renaming.count;
    for (int n = 1; n <= operations; ++n) {
      SCOPED_TRACE((exchange ? "exchange, operation " : "renames, operation ") +
                   std::to_string(n));
      for (bool stop : {false, true}) {
        restoreEarlier();
        InjectedFileOperations files;
        files.exchange = exchange;
        (stop ? files.stopAt : files.failAt) = n;
        bool succeeded = false;
        try {
          succeeded = Convert(files) == ConversionOutcome::kConverted;
        } catch (const FileError& error) {
          // The user is told of the output folder (or its folder), never of
          // the bookkeeping folder or the build folder in it.
          const std::string message = error.what();
          EXPECT_EQ(message.find("/.quillery/"), std::string::npos) << message;
          EXPECT_EQ(message.find("/.quillery'"), std::string::npos) << message;
          EXPECT_EQ(message.find("cannot write '" + dir_.path()), 0u)
              << message;
        } catch (const Stopped&) {
        }
        if (stop) {
          // The next run into the place begins by finishing what was left.
          SystemFileOperations next;
          static_cast<void>(
              PrepareOutputFolder(next, InternalPath(request_.OUTDIR),
                                  InternalPath(dir_.path() + "/site")));
        }
        Tree now = ReadTree(dir_.path());
        bool leftovers = false;
        for (auto it = now.begin(); it != now.end();) {
          const bool bookkeeping = it->first.rfind(".quillery/", 0) == 0;
          leftovers = leftovers || bookkeeping;
          it = bookkeeping ? now.erase(it) : std::next(it);
        }
        // The output folder is one whole output or the other.
        EXPECT_TRUE(now == earlier || now == clean) << (stop ? "stop" : "fail");
        // The next run removes what was left and gives the clean output.
        if (!succeeded || leftovers) {
          EXPECT_EQ(Convert(), ConversionOutcome::kConverted);
        }
        EXPECT_EQ(ReadTree(dir_.path()), clean);
      }
    }
  }
}

// What a run tells as it goes, in order.
class RecordingProgress : public ConversionProgress {
 public:
  void Reading() override { steps.push_back("reading"); }
  void Planning() override { steps.push_back("planning"); }
  void Planned(std::size_t files, std::size_t /*pages*/) override {
    steps.push_back("planned");
    planned = files;
  }
  void Staged(std::size_t /*bytes*/) override { steps.push_back("staged"); }
  void Notice(const std::string& message) override {
    steps.push_back("notice " + message);
  }
  void Finished(const std::string& line) override {
    steps.push_back("finished " + line);
  }
  std::vector<std::string> steps;
  std::size_t planned = 0;
};

TEST_F(CommitRunTest, EveryStepIsToldFromTheStartToTheFileToOpen) {
  for (const std::string& outdir : {std::string(), dir_.File("out")}) {
    SCOPED_TRACE(outdir);
    request_.OUTDIR = outdir;
    RecordingProgress progress;
    SystemFileOperations files;
    ASSERT_EQ(RunConversion(MainFile(), request_, files, progress),
              ConversionOutcome::kConverted);
    EXPECT_GT(progress.planned, 3u);
    std::vector<std::string> expected = {"reading", "planning", "planned"};
    expected.insert(expected.end(), progress.planned, "staged");
    expected.push_back(
        outdir.empty()
            ? "finished converted in place: open '" + File("doc.htm") + "'"
            : "finished converted into '" + outdir + "': open '" + outdir +
                  testing::kSeparator + "doc.htm'");
    EXPECT_EQ(progress.steps, expected);
    // The site is converted in place now: the next run starts afresh.
    SetUp();
  }
}

TEST_F(CommitRunTest, ASecondRunWhileTheFirstHoldsTheSiteRefuses) {
  FolderLock firstRun(InternalPath(dir_.File("site")));
  ASSERT_TRUE(firstRun.acquired());
  const auto result = RunQuillery(
      {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"},
      dir_.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot convert '" + File("doc.htm") +
                            "': another conversion of this site is running\n");
  // Where a folder takes no lock, the first run's lock is a file beside.
  Tree now = ReadTree(dir_.path());
  now.erase("site/.quillery.lock");
  EXPECT_EQ(now, original_);
}

TEST_F(CommitRunTest, AFullDiskChangesNothing) {
#ifdef _WIN32
  GTEST_SKIP() << "the file size limit is set with the POSIX shell's ulimit";
#endif
  // Files may grow to 1 KB only; the pages are larger. Ignoring SIGXFSZ
  // turns the limit into a failing write, as a full disk gives.
  WriteBytes(File("Body.htm"), kContent.substr(0, kContent.size() - 14) +
                                   std::string(3000, 'x') + "</body></html>");
  original_ = ReadTree(dir_.path());
  const std::string command =
      "cd '" + dir_.path() + "' && bash -c \"trap '' XFSZ; ulimit -f 1; " +
      "exec '" + QUILLERY_EXE +
      "' /MAINFILE=site/doc.htm /OPTINCLUDETOC=1 /LEVELSTOBREAK=1\" "
      "2>'" +
      dir_.path() + "/err'";
  EXPECT_NE(std::system(command.c_str()), 0);
  const std::string err = testing::ReadBytes(dir_.path() + "/err");
  testing::RemoveAll(dir_.path() + "/err");
  EXPECT_EQ(err, "quillery: cannot write '" + File("Body_p2.htm") +
                     "': File too large\n");
  EXPECT_EQ(ReadTree(dir_.path()), original_);
}

}  // namespace
}  // namespace quillery
