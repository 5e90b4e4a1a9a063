// Whole-program runs that must be refused before anything is written: every
// file of the site, and around it, stays as it was, and one line says why.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;

using testing::FramesPage;
const std::string& kContent = testing::kTwoHeadingContent;
const std::string& kToc = testing::kTwoEntryToc;

class RefusalRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.File("site/doc.htm"), FramesPage("toc.htm", "Body.htm"));
    WriteBytes(dir_.File("site/toc.htm"), kToc);
    WriteBytes(dir_.File("site/Body.htm"), kContent);
    WriteBytes(dir_.File("outside/toc.htm"), kToc);
    WriteBytes(dir_.File("outside/Body.htm"), kContent);
  }

  // Runs with `words` after the main file and the run condition, and
  // expects exit 1, `error` as the one line on stderr, and every file under
  // the temporary folder as it was.
  void ExpectRefused(std::vector<std::string> words, const std::string& error,
                     const std::string& mainFile = "site/doc.htm") {
    words.insert(words.begin(), {"/MAINFILE=" + mainFile, "/OPTINCLUDETOC=1"});
    const auto before = ReadTree(dir_.path());
    const auto result = RunQuillery(words, dir_.path());
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "quillery: " + error + "\n");
    EXPECT_EQ(ReadTree(dir_.path()), before);
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  ScopedTempDir dir_;
};

TEST_F(RefusalRunTest, DressingFileAskedForMustBeReadable) {
  WriteBytes(File("site/empty.htm"), "");
  const std::string missing =
      "cannot read '" + File("site/none.htm") + "': No such file or directory";
  struct Row {
    const char* name;
    std::vector<std::string> words;
  };
  const Row rows[] = {
      {"header", {"/USEHEADER=1", "/HEADERFILE=site/none.htm"}},
      {"footer", {"/USEFOOTER=1", "/FOOTERFILE=site/none.htm"}},
      {"template",
       {"/USINGTEMPLATE=1", "/HTMLTEMPLATEFILE=site/none.htm", "/USEHEADER=1",
        "/HEADERFILE=site/empty.htm"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::vector<std::string> words = row.words;
    words.push_back("/LEVELSTOBREAK=1");
    ExpectRefused(words, missing);
  }
  // Not asked for, or asked for by a run that does not split: not read.
  const std::vector<std::string> notRead[] = {
      {"/LEVELSTOBREAK=1", "/HTMLTEMPLATEFILE=site/none.htm",
       "/USINGTEMPLATE=0", "/HEADERFILE=site/none.htm"},
      {"/LEVELSTOBREAK=0", "/HEADERFILE=site/none.htm", "/USEHEADER=1"},
  };
  for (std::vector<std::string> words : notRead) {
    SetUp();  // the site as it was before any run
    words.insert(words.begin(), {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1"});
    const auto result = RunQuillery(words, dir_.path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "quillery: converted in place: open '" +
                              File("site/doc.htm") + "'\n");
  }
}

TEST_F(RefusalRunTest, OnlyRegularFilesAreRead) {
  if (!testing::HasFifos()) {
    GTEST_SKIP() << "no FIFOs and no /dev/zero on this system";
  }
  ASSERT_EQ(testing::MakeFifo(File("site/fifo.htm")), 0);
  ExpectRefused(
      {"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
       "/HTMLTEMPLATEFILE=site/fifo.htm"},
      "cannot read '" + File("site/fifo.htm") + "': it is not a regular file");
  ExpectRefused({"/LEVELSTOBREAK=1"},
                "cannot read '/dev/zero': it is not a regular file",
                "/dev/zero");
}

TEST_F(RefusalRunTest, FrameSourcesThroughLinksOutOfTheSite) {
  ASSERT_TRUE(testing::MakeSymbolicLink("../outside", File("site/sub")));
  const std::string mainFile = File("site/doc.htm");
  WriteBytes(mainFile, FramesPage("sub/toc.htm", "Body.htm"));
  ExpectRefused({"/TOCBULLETS=1"},
                "refusing the TOC frame source 'sub/toc.htm' of '" + mainFile +
                    "': it leads out of the document's folder");
  WriteBytes(mainFile, FramesPage("toc.htm", "sub/Body.htm"));
  ExpectRefused({"/LEVELSTOBREAK=1"},
                "refusing the Frame1 frame source 'sub/Body.htm' of '" +
                    mainFile + "': it leads out of the document's folder");
}

TEST_F(RefusalRunTest, MissingBulletImageIsFoundBeforeAnyPageIsWritten) {
  // A copy of the program in a folder of its own, without its images.
  const std::string program = File("program/quillery");
  std::filesystem::create_directories(File("program"));
  std::filesystem::copy_file(QUILLERY_EXE, program);
  const auto before = ReadTree(File("site"));
  const auto result =
      testing::RunProgram(program,
                          {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                           "/LEVELSTOBREAK=1", "/TOCBULLETS=1"},
                          dir_.path());
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot read '" +
                            File("program/bullet10001.gif") +
                            "': No such file or directory\n");
  EXPECT_EQ(ReadTree(File("site")), before);
}

}  // namespace
}  // namespace quillery
