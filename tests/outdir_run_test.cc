// Converting into a folder of its own (/OUTDIR=): the source stays as it
// is, the output holds what an in-place run writes and what it refers to,
// and an earlier output is replaced whole or not at all.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <set>

#include "platform/file_io.h"
#include "platform/file_system.h"
#include "split/site_references.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;
using Tree = std::map<std::string, std::string>;

const std::vector<std::string> kTemplated = {
    "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=2", "/TOCBULLETS=1", "/USINGTEMPLATE=1",
    "/USEHEADER=1",     "/USEFOOTER=1",     "/USEMAXWIDTH=1"};

class OutdirRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::copy(std::string(QUILLERY_SOURCE_DIR) + "/examples/site",
                          dir_.File("site"),
                          std::filesystem::copy_options::recursive);
    // A picture of the site no page refers to is not copied.
    WriteBytes(dir_.File("site/unused.gif"), "GIF");
    source_ = ReadTree(dir_.File("site"));
  }
  testing::RunResult Run(std::vector<std::string> words,
                         const std::string& outdir = "out") {
    words.insert(words.begin(), "/MAINFILE=site/Report.htm");
    if (!outdir.empty()) words.push_back("/OUTDIR=" + outdir);
    return RunQuillery(words, dir_.path());
  }
  // The tree an in-place run with `words` leaves, made in a copy.
  Tree InPlace(const std::vector<std::string>& words) {
    ScopedTempDir other;
    std::filesystem::copy(dir_.File("site"), other.File("site"),
                          std::filesystem::copy_options::recursive);
    std::vector<std::string> all = words;
    all.insert(all.begin(), "/MAINFILE=site/Report.htm");
    EXPECT_EQ(RunQuillery(all, other.path()).exitStatus, 0);
    return ReadTree(other.File("site"));
  }

  ScopedTempDir dir_;
  Tree source_;
};

TEST_F(OutdirRunTest, SourceStaysAsItIsAndOutputHoldsTheInPlaceFiles) {
  const auto result = Run(kTemplated);
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  EXPECT_EQ(result.err, "quillery: converted into '" + dir_.File("out") +
                            "': open '" + dir_.File("out/Report.htm") + "'\n");
  EXPECT_EQ(ReadTree(dir_.File("site")), source_);
  EXPECT_FALSE(testing::Exists(dir_.File("site/.quillery")));
  EXPECT_FALSE(testing::Exists(dir_.File(".quillery")));

  Tree output = ReadTree(dir_.File("out"));
  ASSERT_EQ(output.count(".quillery-output"), 1u);
  output.erase(".quillery-output");
  const Tree inPlace = InPlace(kTemplated);
  // Every file the in-place run wrote, with its bytes.
  for (const auto& [name, bytes] : inPlace) {
    auto before = source_.find(name);
    if (before != source_.end() && before->second == bytes) continue;
    SCOPED_TRACE(name);
    ASSERT_EQ(output.count(name), 1u);
    EXPECT_EQ(output[name], bytes);
  }
  // Besides those, only files of the site that they refer to.
  for (const auto& [name, bytes] : output) {
    SCOPED_TRACE(name);
    ASSERT_EQ(inPlace.count(name), 1u);
    EXPECT_EQ(inPlace.at(name), bytes);
  }
  EXPECT_EQ(output.count("Report_files/image002.gif"), 1u);
  EXPECT_EQ(output.count("unused.gif"), 0u);
}

// Every reference of every page that finds its file in the in-place output
// finds it in the output folder too.
TEST_F(OutdirRunTest, EveryLinkThatWorkedInPlaceWorksInTheOutput) {
  for (const auto& words :
       {kTemplated,
        std::vector<std::string>{"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"}}) {
    std::filesystem::remove_all(dir_.File("out"));
    ASSERT_EQ(Run(words).exitStatus, 0);
    const Tree output = ReadTree(dir_.File("out"));
    const Tree inPlace = InPlace(words);
    std::size_t checked = 0;
    for (const auto& [name, bytes] : inPlace) {
      if (name.size() < 4 || name.compare(name.size() - 4, 4, ".htm") != 0) {
        continue;
      }
      const std::string folder = name.find('/') == std::string::npos
                                     ? ""
                                     : name.substr(0, name.rfind('/'));
      for (const std::string& reference : FindReferences(bytes)) {
        const ReferenceTarget target = ClassifyReference(reference, folder);
        if (target.kind != ReferenceTarget::Kind::kInSite) continue;
        if (inPlace.count(target.path) == 0) continue;  // broken in place too
        SCOPED_TRACE(name + " -> " + reference);
        EXPECT_EQ(output.count(target.path), 1u);
        ++checked;
      }
    }
    EXPECT_GT(checked, 10u);
  }
}

TEST_F(OutdirRunTest, TheUsersOwnBulletImagesGoWithTheOutput) {
  WriteBytes(dir_.File("site/bullet10001.gif"), "the user's bullet");
  ASSERT_EQ(Run({"/OPTINCLUDETOC=1", "/TOCBULLETS=1"}).exitStatus, 0);
  EXPECT_EQ(testing::ReadBytes(dir_.File("out/bullet10001.gif")),
            "the user's bullet");
  EXPECT_EQ(testing::ReadBytes(dir_.File("out/main10001.gif")),
            testing::ReadBytes(std::string(QUILLERY_SOURCE_DIR) +
                               "/convert/main10001.gif"));
  EXPECT_FALSE(testing::Exists(dir_.File("site/main10001.gif")));
}

TEST_F(OutdirRunTest, ASecondRunReplacesTheOutputWhole) {
  ASSERT_EQ(Run(kTemplated).exitStatus, 0);
  const std::vector<std::string> plain = {"/OPTINCLUDETOC=1",
                                          "/LEVELSTOBREAK=1"};
  ASSERT_EQ(Run(plain).exitStatus, 0);
  ASSERT_EQ(Run(plain, "fresh").exitStatus, 0);
  EXPECT_EQ(ReadTree(dir_.File("out")), ReadTree(dir_.File("fresh")));
  EXPECT_FALSE(testing::Exists(dir_.File(".quillery")));
}

TEST_F(OutdirRunTest, AFailingRunLeavesTheEarlierOutputAsItWas) {
#ifdef _WIN32
  GTEST_SKIP() << "the file size limit is set with the POSIX shell's ulimit";
#endif
  ASSERT_EQ(Run({"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"}).exitStatus, 0);
  const Tree earlier = ReadTree(dir_.path());
  // Files may grow to 1 KB only: a page of the templated run is larger.
  const std::string command =
      "cd '" + dir_.path() + "' && bash -c \"trap '' XFSZ; ulimit -f 1; " +
      "exec '" + QUILLERY_EXE +
      "' /MAINFILE=site/Report.htm /OUTDIR=out /OPTINCLUDETOC=1 "
      "/LEVELSTOBREAK=2 /USINGTEMPLATE=1\" 2>/dev/null";
  EXPECT_NE(std::system(command.c_str()), 0);
  EXPECT_EQ(ReadTree(dir_.path()), earlier);
  EXPECT_FALSE(testing::Exists(dir_.File(".quillery")));
}

// A failure while the output is built names the file in the output folder,
// not in the build folder beside it that the user never sees.
TEST_F(OutdirRunTest, AFailureNamesTheOutputFolder) {
#ifdef _WIN32
  GTEST_SKIP() << "the file size limit is set with the POSIX shell's ulimit";
#endif
  const std::string command =
      "cd '" + dir_.path() + "' && bash -c \"trap '' XFSZ; ulimit -f 1; " +
      "exec '" + QUILLERY_EXE +
      "' /MAINFILE=site/Report.htm /OUTDIR=out /OPTINCLUDETOC=1 "
      "/LEVELSTOBREAK=2 /USINGTEMPLATE=1\" 2>err.txt";
  EXPECT_NE(std::system(command.c_str()), 0);
  const std::string err = testing::ReadBytes(dir_.File("err.txt"));
  const std::string start = "quillery: cannot write '" + dir_.File("out/");
  const std::string end = "': File too large\n";
  EXPECT_EQ(err.rfind(start, 0), 0u) << err;
  ASSERT_GE(err.size(), end.size());
  EXPECT_EQ(err.substr(err.size() - end.size()), end) << err;
  EXPECT_EQ(err.find(".quillery"), std::string::npos) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
}

TEST_F(OutdirRunTest, ARunWritingIntoTheSameFolderIsNamedAsSuch) {
  // Another run into a folder beside the output holds the folder.
  FolderLock otherRun(InternalPath(dir_.path()));
  ASSERT_TRUE(otherRun.acquired());
  const Tree before = ReadTree(dir_.path());
  const auto result = Run({"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"});
  EXPECT_EQ(result.exitStatus, 1);
  EXPECT_EQ(result.err, "quillery: cannot write '" + dir_.File("out") +
                            "': another conversion is writing into its "
                            "folder '" +
                            dir_.path() + "'\n");
  EXPECT_EQ(ReadTree(dir_.path()), before);
}

// Each reference that leads outside is counted once per file written that
// holds it: the pages hold the document's, and neither the unchanged copy
// of the document nor a main file copied from page 0 counts them again.
TEST_F(OutdirRunTest, OutsideReferencesAreCountedOncePerFileWritten) {
  // Two on page 0 (before the first heading), three at the end of the last
  // page, and one in the contents frame page.
  std::string body = source_.at("Report_body.htm");
  const std::size_t bodyTag = body.find('>', body.find("<body")) + 1;
  body.insert(bodyTag,
              "<p><a href=\"http://example.com/a\">a</a> "
              "<a href=\"mailto:x@example.com\">m</a></p>\r\n");
  body.insert(body.rfind("</body>"),
              "<p><a href=\"https://example.org/1\">1</a> "
              "<a href=\"https://example.org/2\">2</a> "
              "<a href=\"/abs/3.htm\">3</a></p>\r\n");
  WriteBytes(dir_.File("site/Report_body.htm"), body);
  std::string toc = source_.at("Report_toc.htm");
  toc.insert(toc.rfind("</body>"), "<p><a href=\"../up.htm\">up</a></p>");
  WriteBytes(dir_.File("site/Report_toc.htm"), toc);

  auto pagesIn = [](const Tree& tree) {
    std::size_t pages = 0;
    for (const auto& entry : tree) {
      if (entry.first.rfind("Report_body_p", 0) == 0) ++pages;
    }
    return pages;
  };
  struct Row {
    const char* name;
    std::vector<std::string> words;
    // The document's five and the contents frame page's one, also with the
    // shipped template: every page loads the contents from a script, and
    // the contents frame page is what readers without scripts see.
    bool shippedTemplate;
  };
  const Row rows[] = {
      {"no split: the unchanged document is the only copy",
       {"/OPTINCLUDETOC=1", "/TOCBULLETS=1"},
       false},
      {"pages in frames", {"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=2"}, false},
      {"template: main file a copy of page 0, the document copied unchanged",
       kTemplated, true},
      {"template, /TEMPLATETOCFORMAT=1",
       {"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1", "/USINGTEMPLATE=1",
        "/TEMPLATETOCFORMAT=1"},
       true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::filesystem::remove_all(dir_.File("out"));
    const auto result = Run(row.words);
    ASSERT_EQ(result.exitStatus, 0) << result.err;
    const Tree output = ReadTree(dir_.File("out"));
    const std::size_t pages = pagesIn(output);
    if (row.shippedTemplate) {
      EXPECT_GT(pages, 1u);
    }
    const std::size_t expected = 6;
    EXPECT_EQ(
        result.err.rfind("quillery: " + std::to_string(expected) +
                             " references lead outside '" + dir_.File("site") +
                             "' and were left as they are\n",
                         0),
        0u)
        << result.err;
  }
}

TEST_F(OutdirRunTest, FoldersThatCannotTakeTheOutputAreRefused) {
  WriteBytes(dir_.File("mine/notes.txt"), "the user's own");
  struct Row {
    const char* name;
    std::string outdir;
    std::string error;
  };
  const Row rows[] = {
      {"a folder of other files", "mine",
       "refusing to write into '" + dir_.File("mine") +
           "': it holds files that are no output of quillery"},
      {"inside the source folder", "site/out",
       "refusing the output folder '" + dir_.File("site/out") +
           "': it must lie outside the document's folder '" +
           dir_.File("site") + "' and not hold it"},
      {"the folder holding the source", ".",
       "refusing the output folder '" + dir_.path() +
           "': it must lie outside the document's folder '" +
           dir_.File("site") + "' and not hold it"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Tree before = ReadTree(dir_.path());
    const auto result =
        Run({"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"}, row.outdir);
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err, "quillery: " + row.error + "\n");
    EXPECT_EQ(ReadTree(dir_.path()), before);
  }
}

TEST_F(OutdirRunTest, ASiteConvertedInPlaceIsNotConvertedAgain) {
  for (const auto& words :
       {std::vector<std::string>{"/OPTINCLUDETOC=1", "/TOCBULLETS=1"},
        std::vector<std::string>{"/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"}}) {
    std::filesystem::remove_all(dir_.File("site"));
    for (const auto& [name, bytes] : source_) {
      WriteBytes(dir_.File("site/" + name), bytes);
    }
    ASSERT_EQ(Run(words, "").exitStatus, 0);
    const Tree converted = ReadTree(dir_.path());
    for (const std::string& outdir : {std::string(), std::string("out")}) {
      const auto again = Run(words, outdir);
      EXPECT_EQ(again.exitStatus, 1);
      EXPECT_NE(again.err.find("it was converted in place before"),
                std::string::npos)
          << again.err;
      EXPECT_EQ(ReadTree(dir_.path()), converted);
    }
  }
}

}  // namespace
}  // namespace quillery
