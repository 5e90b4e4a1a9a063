// Whole-program runs on sites whose paths are unusual for a system: longer
// than the 260 characters Windows once allowed, with names outside ASCII,
// and with two names that differ only in letter case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunQuillery;
using testing::ScopedTempDir;
using testing::WriteBytes;

class PathRunTest : public ::testing::Test {
 protected:
  // The small two-heading site in `folder` (a path inside the temporary
  // folder, "/" separated).
  void MakeSite(const std::string& folder) {
    WriteBytes(dir_.File(folder + "/doc.htm"),
               testing::FramesPage("toc.htm", "Body.htm"));
    WriteBytes(dir_.File(folder + "/toc.htm"), testing::kTwoEntryToc);
    WriteBytes(dir_.File(folder + "/Body.htm"), testing::kTwoHeadingContent);
  }
  // Converts the site in `folder` in place, then into `folder`-out, and
  // checks both against the same site in an ordinary folder.
  void ExpectConvertedLikeAPlainSite(const std::string& folder) {
    MakeSite("plain");
    MakeSite(folder);
    const std::vector<std::string> words = {"/OPTINCLUDETOC=1",
                                            "/LEVELSTOBREAK=1"};
    for (const std::string& site : {std::string("plain"), folder}) {
      std::vector<std::string> inPlace = words;
      inPlace.push_back("/MAINFILE=" + dir_.File(site + "/doc.htm"));
      const auto result = RunQuillery(inPlace, dir_.path());
      ASSERT_EQ(result.exitStatus, 0) << result.err;
      EXPECT_EQ(result.err, "quillery: converted in place: open '" +
                                dir_.File(site + "/doc.htm") + "'\n");
    }
    // Read through the program's own door, which takes paths of any length.
    const auto plain = ReadTree(dir_.File("plain"));
    for (const auto& [name, bytes] : plain) {
      EXPECT_EQ(ReadBinaryFile(InternalPath(dir_.File(folder + "/" + name))),
                bytes)
          << name;
    }
    for (const std::string& site : {std::string("plain"), folder}) {
      testing::RemoveAll(dir_.File(site));
      MakeSite(site);
      std::vector<std::string> intoOutput = words;
      intoOutput.push_back("/MAINFILE=" + dir_.File(site + "/doc.htm"));
      intoOutput.push_back("/OUTDIR=" + dir_.File(site + "-out"));
      const auto result = RunQuillery(intoOutput, dir_.path());
      ASSERT_EQ(result.exitStatus, 0) << result.err;
    }
    // The note in the output folder names the source, whose path differs.
    auto plainOutput = ReadTree(dir_.File("plain-out"));
    EXPECT_EQ(plainOutput.erase(".quillery-output"), 1u);
    for (const auto& [name, bytes] : plainOutput) {
      EXPECT_EQ(
          ReadBinaryFile(InternalPath(dir_.File(folder + "-out/" + name))),
          bytes)
          << name;
    }
  }

  ScopedTempDir dir_;
};

TEST_F(PathRunTest, APathLongerThan260CharactersConverts) {
  std::string folder = "long";
  while (dir_.File(folder).size() < 300) {
    folder += "/a-folder-with-a-name-of-forty-characters";
  }
  ExpectConvertedLikeAPlainSite(folder);
}

TEST_F(PathRunTest, AFolderNamedOutsideAsciiConverts) {
  // "Zoë/Bericht über Ärger/日本"
  ExpectConvertedLikeAPlainSite(
      "Zo\xc3\xab/Bericht \xc3\xbc"
      "ber \xc3\x84rger/\xe6\x97\xa5\xe6\x9c\xac");
}

// Where names that differ only in letter case are one file (Windows, and
// macOS's default volumes), the page the split names "Body_p1.htm" is the
// user's "body_p1.htm": it replaces that file as it would one of the same
// name, once, and the file keeps the name it had. Where the two are two
// files, both are kept.
TEST_F(PathRunTest, TwoNamesDifferingOnlyInCaseAreOneFileWhereTheSystemSaysSo) {
  MakeSite("site");
  WriteBytes(dir_.File("site/body_p1.htm"), "the user's own page");
  const bool oneFile = testing::Exists(dir_.File("site/BODY_P1.HTM"));
  const auto result = RunQuillery(
      {"/MAINFILE=site/doc.htm", "/OPTINCLUDETOC=1", "/LEVELSTOBREAK=1"},
      dir_.path());
  ASSERT_EQ(result.exitStatus, 0) << result.err;
  const auto site = ReadTree(dir_.File("site"));
  const auto page = site.find(oneFile ? "body_p1.htm" : "Body_p1.htm");
  ASSERT_NE(page, site.end());
  EXPECT_NE(page->second.find("_Toc1"), std::string::npos);
  if (oneFile) {
    EXPECT_EQ(site.count("Body_p1.htm"), 0u);
  } else {
    EXPECT_EQ(site.at("body_p1.htm"), "the user's own page");
  }
}

}  // namespace
}  // namespace quillery
