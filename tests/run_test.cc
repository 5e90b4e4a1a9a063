// Whole-program runs on small generated sites: what a user sees on disk, on
// stderr and in the exit status.
#include <gtest/gtest.h>

#include <regex>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;

const char kTocPage[] =
    "<html><body lang=EN-GB>\r\n"
    "<p class=MsoToc1><span class=MsoHyperlink><a href=\"../doc.htm#_Toc1\">"
    "One</a></span></p>\r\n"
    "<p class=MsoToc2><span class=MsoHyperlink><a href=\"../doc.htm#_Toc2\">"
    "Two</a></span></p>\r\n"
    "</body></html>\r\n";

const char kTocPageWithBullets[] =
    "<html><body lang=EN-GB>\r\n"
    "<p class=MsoToc1><span class=MsoHyperlink><img src=\"main10001.gif\">"
    "<a href=\"../doc.htm#_Toc1\">One</a></span></p>\r\n"
    "<p class=MsoToc2><span class=MsoHyperlink><img src=\"bullet10001.gif\">"
    "<a href=\"../doc.htm#_Toc2\">Two</a></span></p>\r\n"
    "</body></html>\r\n";

std::string FramesPage(const std::string& tocSource) {
  return "<html>\r\n<frameset cols=\"245,*\">\r\n<frame name=TOC src=" +
         tocSource +
         ">\r\n<frame name=Frame1 "
         "src=\"doc.htm\">\r\n</frameset>\r\n</html>\r\n";
}

class RunTest : public ::testing::Test {
 protected:
  void MakeSite(const std::string& tocSource, const std::string& tocFile) {
    WriteBytes(dir_.File("site/doc.htm"), FramesPage(tocSource));
    WriteBytes(dir_.File("site/" + tocFile), kTocPage);
  }
  testing::RunResult Run(const std::vector<std::string>& words) {
    return RunQuillery(words, dir_.path());
  }
  std::map<std::string, std::string> Site() {
    return ReadTree(dir_.File("site"));
  }
  // The line that ends a conversion of site/doc.htm in place.
  std::string Converted() {
    return "quillery: converted in place: open '" + dir_.File("site/doc.htm") +
           "'\n";
  }

  ScopedTempDir dir_;
};

TEST_F(RunTest, BulletsGoIntoTheTocFramePageAndImagesBesideIt) {
  MakeSite("\"doc_files/toc%20a.htm\"", "doc_files/toc a.htm");
  auto result =
      Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/TOCBULLETS=1"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, Converted());
  auto site = Site();
  EXPECT_EQ(site.size(), 4u);
  EXPECT_EQ(site["doc.htm"], FramesPage("\"doc_files/toc%20a.htm\""));
  EXPECT_EQ(site["doc_files/toc a.htm"], kTocPageWithBullets);
  EXPECT_EQ(site["doc_files/bullet10001.gif"].substr(0, 6), "GIF89a");
  EXPECT_EQ(site["doc_files/main10001.gif"].substr(0, 6), "GIF89a");
}

TEST_F(RunTest, UsersOwnBulletImagesAreKept) {
  MakeSite("toc.htm scrolling=auto", "toc.htm");
  WriteBytes(dir_.File("site/bullet10001.gif"), "mine");
  auto result = Run({"-MAINFILE=" + dir_.File("site/doc.htm"),
                     "-OPTINCLUDETOC=1", "-TOCBULLETS=1"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(ReadBytes(dir_.File("site/toc.htm")), kTocPageWithBullets);
  EXPECT_EQ(ReadBytes(dir_.File("site/bullet10001.gif")), "mine");
  EXPECT_EQ(ReadBytes(dir_.File("site/main10001.gif")).substr(0, 6), "GIF89a");
}

TEST_F(RunTest, WithoutBulletsTheTocFramePageIsWrittenBackUnchanged) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto before = Site();
  auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, Converted());
  EXPECT_EQ(Site(), before);
}

TEST_F(RunTest, NothingIsConvertedWithoutTheRunCondition) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto before = Site();
  for (const auto& words : std::vector<std::vector<std::string>>{
           {"/MAINFILE=site/doc.htm", "/TOCBULLETS=1"},
           {"/OPTINCLUDETOC=1", "/TOCBULLETS=1"},
           {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=0", "/TOCBULLETS=1"}}) {
    auto result = Run(words);
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err,
              "quillery: nothing converted: a run needs /MAINFILE=<frames "
              "page> and /OPTINCLUDETOC=1 (see --help)\n");
  }
  EXPECT_EQ(Site(), before);
}

// Asked to convert, it converted nothing: a failure a script can see.
TEST_F(RunTest, MainFileWithoutTocFrameStopsTheRun) {
  WriteBytes(dir_.File("site/doc.htm"),
             "<frameset><frame name=Frame1 src=\"doc.htm\"></frameset>");
  const auto before = ReadTree(dir_.path());
  for (const char* outdir : {"/OUTDIR=", "/OUTDIR=out"}) {
    SCOPED_TRACE(outdir);
    auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                       "/TOCBULLETS=1", outdir});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "quillery: nothing converted: '" +
                              dir_.File("site/doc.htm") +
                              "' names no TOC frame; a plain web page "
                              "converts with /BUILDTOC=1\n");
    EXPECT_EQ(ReadTree(dir_.path()), before);
  }
}

TEST_F(RunTest, FileProblemsStopTheRunWithOneLine) {
  struct Row {
    const char* name;
    std::string tocSource;
    std::string tocFile;  // "" for none
    std::string tocBytes;
    std::string expectedError;
  };
  const Row rows[] = {
      {"missing TOC frame page", "\"toc.htm\"", "", "",
       "quillery: cannot read '" + dir_.File("site/toc.htm") +
           "': No such file or directory\n"},
      {"TOC frame page with a zero byte", "\"toc.htm\"", "toc.htm",
       std::string("<p>a\0b</p>", 10),
       "quillery: cannot read '" + dir_.File("site/toc.htm") +
           "': it holds a zero byte (a UTF-16 or binary file?)\n"},
      {"parent folder", "\"../toc.htm\"", "", "",
       "quillery: refusing the TOC frame source '../toc.htm' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder\n"},
      {"parent folder after %20", "\"..%20/..\\toc.htm\"", "", "",
       "quillery: refusing the TOC frame source '.. /..\\toc.htm' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder\n"},
      {"absolute", "/etc/hosts scrolling=auto", "", "",
       "quillery: refusing the TOC frame source '/etc/hosts' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder\n"},
      {"drive letter", "\"C:toc.htm\"", "", "",
       "quillery: refusing the TOC frame source 'C:toc.htm' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedTempDir dir;
    WriteBytes(dir.File("site/doc.htm"), FramesPage(row.tocSource));
    if (!row.tocFile.empty()) {
      WriteBytes(dir.File("site/" + row.tocFile), row.tocBytes);
    }
    auto before = ReadTree(dir.File("site"));
    auto result = RunQuillery(
        {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/TOCBULLETS=1"},
        dir.path());
    EXPECT_EQ(result.exitStatus, 1);
    std::string expected = row.expectedError;
    const std::string from = dir_.File("site");
    expected.replace(expected.find(from), from.size(), dir.File("site"));
    EXPECT_EQ(result.err, expected);
    EXPECT_EQ(ReadTree(dir.File("site")), before);
  }
}

TEST_F(RunTest, MissingMainFileIsReported) {
  auto result = Run({"/MAINFILE=site/none.htm", "/OPTINCLUDETOC=1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot read '" + dir_.File("site/none.htm") +
                            "': No such file or directory\n");
}

TEST_F(RunTest, MainFileThatIsAFolderIsReported) {
  testing::WriteBytes(dir_.File("site/doc.htm/x"), "");
  auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot read '" + dir_.File("site/doc.htm") +
                            "': Is a directory\n");
}

TEST_F(RunTest, UnreadableNumberIsIgnoredWithAWarning) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                     "/TOCBULLETS=on", "/MAXWIDTH=wide"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err,
            "quillery: ignoring /TOCBULLETS=on: the value is not a number\n"
            "quillery: ignoring /MAXWIDTH=wide: the value is not a number\n" +
                Converted());
  EXPECT_EQ(ReadBytes(dir_.File("site/toc.htm")), kTocPage);
}

TEST_F(RunTest, FrameworkCommandsEndWithoutConversion) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto before = Site();
  struct Row {
    std::string word;
    int exitStatus;
    std::string err;
  };
  const Row rows[] = {
      {"/p", 0, "quillery: printing is not available; nothing converted\n"},
      {"/Unregserver", 0,
       "quillery: there is nothing to register; nothing converted\n"},
      {"missing.qly", 1, "quillery: cannot open the document 'missing.qly'\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.word);
    auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                       "/TOCBULLETS=1", row.word});
    EXPECT_EQ(result.exitStatus, row.exitStatus);
    EXPECT_EQ(result.err, row.err);
  }
  EXPECT_EQ(Site(), before);

  auto embedded = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                       "/TOCBULLETS=1", "/Embedding"});
  EXPECT_EQ(embedded.exitStatus, 0);
  EXPECT_EQ(ReadBytes(dir_.File("site/toc.htm")), kTocPageWithBullets);
}

TEST_F(RunTest, HelpListsTheKeys) {
  for (const char* word : {"--help", "-h", "/?"}) {
    SCOPED_TRACE(word);
    auto result = Run({word});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.out.rfind("usage: quillery ", 0), 0u);
    EXPECT_NE(result.out.find("/LEVELSTOBREAK="), std::string::npos);
    EXPECT_NE(result.out.find("/RP="), std::string::npos);
    for (const char* own :
         {"-h, --help", "--version", "-q, --quiet", "-v, --verbose"}) {
      EXPECT_NE(result.out.find(own), std::string::npos) << own;
    }
    // It fits a terminal of 80 columns.
    std::size_t lineStart = 0;
    while (lineStart < result.out.size()) {
      std::size_t lineEnd = result.out.find('\n', lineStart);
      if (lineEnd == std::string::npos) lineEnd = result.out.size();
      EXPECT_LE(lineEnd - lineStart, 79u)
          << result.out.substr(lineStart, lineEnd - lineStart);
      lineStart = lineEnd + 1;
    }
  }
}

TEST_F(RunTest, VersionAndTheShortUsage) {
  auto version = Run({"--version"});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_TRUE(std::regex_match(
      version.out, std::regex("quillery [0-9]+\\.[0-9]+\\.[0-9]+\n")))
      << version.out;
  auto bare = Run({});
  EXPECT_EQ(bare.exitStatus, 0);
  EXPECT_EQ(bare.out, "");
  EXPECT_EQ(bare.err.rfind("usage: quillery /MAINFILE=", 0), 0u);
}

TEST_F(RunTest, WarningsNameWhatCannotBeMeantAndTheRunGoesOn) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                     "/TOCBULLET=1", "/LEVELSTOBREAK"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err,
            "quillery: unknown key TOCBULLET (did you mean TOCBULLETS?)\n"
            "quillery: ignoring /LEVELSTOBREAK: the key has no \"=value\"\n" +
                Converted());
  EXPECT_EQ(ReadBytes(dir_.File("site/toc.htm")), kTocPage);
}

TEST_F(RunTest, MessagesStayOneLine) {
  auto result = Run({"/MAINFILE=site/a\nb\x1b[2J.htm", "/OPTINCLUDETOC=1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot read '" +
                            dir_.File("site/a\\nb\\x1b[2J.htm") +
                            "': No such file or directory\n");
}

TEST_F(RunTest, VerboseEndsWithASummaryAndAPipeShowsNoProgress) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto result = Run(
      {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/TOCBULLETS=1", "-v"});
  EXPECT_EQ(result.exitStatus, 0);
  const std::size_t firstLineEnd = result.err.find('\n') + 1;
  EXPECT_TRUE(std::regex_match(
      result.err.substr(0, firstLineEnd),
      std::regex("quillery: 0 pages, 3 files written, [0-9]+ bytes, "
                 "[0-9]+\\.[0-9]{2} s\n")))
      << result.err;
  // The line naming the file to open stays the last.
  EXPECT_EQ(result.err.substr(firstLineEnd), Converted());
}

TEST_F(RunTest, QuietLeavesOnlyWarningsWhichNameTheWordAsTyped) {
  MakeSite("\"toc.htm\"", "toc.htm");
  auto result = Run({"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1",
                     "/TOCBULLETS=1", "--bogus", "-q"});
  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.err, "quillery: unknown switch --bogus\n");
  EXPECT_EQ(ReadBytes(dir_.File("site/toc.htm")), kTocPageWithBullets);
}

}  // namespace
}  // namespace quillery
