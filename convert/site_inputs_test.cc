#include "convert/site_inputs.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/site_paths.h"
#include "dress/header_footer.h"
#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ScopedTempDir;
using testing::WriteBytes;
using Texts = std::vector<std::string>;

Texts All(const DressingTexts& texts) {
  return {texts.headerText, texts.footerText, texts.templateText};
}

// The working folder changed for the lifetime of the object.
struct InFolder {
  explicit InFolder(const std::string& path) {
    std::filesystem::current_path(path);
  }
  ~InFolder() { std::filesystem::current_path(previous); }
  const std::filesystem::path previous = std::filesystem::current_path();
};

TEST(LoadDressingTexts, ReadsWhatTheRunAsksForFromTheWorkingFolder) {
  ScopedTempDir dir;
  ConversionRequest request;
  WriteBytes(dir.File("head.htm"), "<html><body>H</body></html>");
  WriteBytes(dir.File("foot.htm"), "<body>F</body>");
  WriteBytes(dir.File("base.htm"), "<html><body>[QUILLERY]</body></html>");
  request.HEADERFILE = "head.htm";  // as typed, relative
  request.FOOTERFILE = dir.File("foot.htm");
  request.HTMLTEMPLATEFILE = "base.htm";
  request.headerPlacements = {kHeaderTextCode};
  request.footerPlacements = {kFooterTextCode};
  request.USINGTEMPLATE = 1;
  InFolder inDir(dir.path());
  EXPECT_EQ(All(LoadDressingTexts(request)),
            (Texts{"H", "F", "<html><body>[QUILLERY]</body></html>"}));
}

TEST(LoadDressingTexts, ASiteTemplateTakesTheProgramsSiteFiles) {
  ScopedTempDir dir;
  WriteBytes(dir.File("site.css"), "css");
  WriteBytes(dir.File("site.js"), "js");
  WriteBytes(dir.File("site.htm"), "<head>[SITEHEAD]</head>[QUILLERY]");
  WriteBytes(dir.File("plain.htm"), "<head></head>[QUILLERY]");
  ConversionRequest request(InternalPath(dir.path()));
  request.USINGTEMPLATE = 1;
  request.HTMLTEMPLATEFILE = dir.File("site.htm");
  const DressingTexts site = LoadDressingTexts(request);
  EXPECT_EQ(site.siteStyles, "css");
  EXPECT_EQ(site.siteScript, "js");

  request.HTMLTEMPLATEFILE = dir.File("plain.htm");
  const DressingTexts plain = LoadDressingTexts(request);
  EXPECT_EQ(plain.siteStyles, "");
  EXPECT_EQ(plain.siteScript, "");

  std::filesystem::remove(dir.File("site.js"));
  request.HTMLTEMPLATEFILE = dir.File("site.htm");
  EXPECT_EQ(
      testing::FileErrorOf([&] { (void)LoadDressingTexts(request); }),
      "cannot read '" + dir.File("site.js") + "': No such file or directory");
}

TEST(LoadDressingTexts, AFileNotAskedForIsNotReadAnAskedForOneMustBe) {
  ScopedTempDir dir;
  const std::string missing = dir.File("none.htm");
  WriteBytes(dir.File("empty.htm"), "");
  ConversionRequest request;
  request.HEADERFILE = request.FOOTERFILE = request.HTMLTEMPLATEFILE = missing;
  // Code 1 in the header list asks for nothing; no footer placement; no
  // template in use.
  request.headerPlacements = {kFooterTextCode};
  EXPECT_EQ(All(LoadDressingTexts(request)), (Texts{"", "", ""}));

  const std::string reason =
      "cannot read '" + missing + "': No such file or directory";
  request.headerPlacements = {kHeaderTextCode};
  EXPECT_EQ(testing::FileErrorOf([&] { (void)LoadDressingTexts(request); }),
            reason);
  request.HEADERFILE.clear();  // no file named: nothing asked for
  request.USINGTEMPLATE = 1;
  EXPECT_EQ(testing::FileErrorOf([&] { (void)LoadDressingTexts(request); }),
            reason);
  request.HTMLTEMPLATEFILE = dir.File("empty.htm");
  request.footerPlacements = {kFooterTextCode};
  EXPECT_EQ(testing::FileErrorOf([&] { (void)LoadDressingTexts(request); }),
            reason);
  request.FOOTERFILE = dir.File("empty.htm");
  EXPECT_EQ(All(LoadDressingTexts(request)), (Texts{"", "", ""}));
}

class ReadSiteInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WriteBytes(dir_.File("site/doc.htm"),
               "<frame name=TOC src=\"sub/toc.htm\">"
               "<frame name=Frame1 src=\"sub/body.htm\">");
    WriteBytes(dir_.File("outside/toc.htm"), "outside toc");
    WriteBytes(dir_.File("outside/body.htm"), "outside body");
    request_.programFolder = InternalPath(dir_.File("program"));
  }
  SiteInputs Read() {
    return ReadSiteInputs(InternalPath(dir_.File("site/doc.htm")), request_);
  }
  std::string Refusal(const std::string& frame, const std::string& source) {
    return "refusing the " + frame + " frame source '" + source + "' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder";
  }

  ScopedTempDir dir_;
  ConversionRequest request_;
};

TEST_F(ReadSiteInputsTest, FrameSourcesThroughALinkOutOfTheSiteAreRefused) {
  ASSERT_EQ(symlink("../outside", dir_.File("site/sub").c_str()), 0);
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("TOC", "sub/toc.htm"));

  // A page of its own that links out is refused too; the folder is fine.
  std::filesystem::remove(dir_.File("site/sub"));
  WriteBytes(dir_.File("site/sub/toc.htm"), "toc");
  ASSERT_EQ(
      symlink("../../outside/body.htm", dir_.File("site/sub/body.htm").c_str()),
      0);
  request_.LEVELSTOBREAK = 0;  // without a split Frame1 is not looked at
  EXPECT_EQ(Read().tocFrameText, "toc");
  request_.LEVELSTOBREAK = 1;
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("Frame1", "sub/body.htm"));
}

TEST_F(ReadSiteInputsTest, ReadsTheFramesOfASplittingRun) {
  WriteBytes(dir_.File("site/sub/toc.htm"), "toc");
  WriteBytes(dir_.File("site/sub/body.htm"), "body");
  request_.LEVELSTOBREAK = 1;
  const SiteInputs site = Read();
  EXPECT_EQ(site.framesText.substr(0, 6), "<frame");
  EXPECT_EQ(site.tocSource, "sub/toc.htm");
  EXPECT_EQ(site.tocFramePath,
            InternalPath(dir_.File("site")) + "\\sub/toc.htm");
  EXPECT_EQ(site.tocFrameText, "toc");
  EXPECT_EQ(site.contentSource, "sub/body.htm");
  EXPECT_EQ(site.contentText, "body");
}

TEST_F(ReadSiteInputsTest, BulletImagesOnlyWhereTheirNamesAreFree) {
  WriteBytes(dir_.File("site/sub/toc.htm"), "toc");
  WriteBytes(dir_.File("site/sub/main10001.gif"), "the user's own");
  request_.TOCBULLETS = 1;
  // The program's image is read before anything is written.
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            "cannot read '" + dir_.File("program/bullet10001.gif") +
                "': No such file or directory");
  WriteBytes(dir_.File("program/bullet10001.gif"), std::string("GIF\0", 4));
  const SiteInputs site = Read();
  ASSERT_EQ(site.bulletImages.size(), 1u);
  EXPECT_EQ(site.bulletImages[0].path,
            InternalPath(dir_.File("site/sub")) + "\\bullet10001.gif");
  EXPECT_EQ(site.bulletImages[0].bytes, std::string("GIF\0", 4));
}

TEST_F(ReadSiteInputsTest, WithoutATocFrameNothingMoreIsRead) {
  WriteBytes(dir_.File("site/doc.htm"), "<frame name=Frame1 src=gone.htm >");
  request_.LEVELSTOBREAK = 1;
  request_.TOCBULLETS = 1;
  const SiteInputs site = Read();
  EXPECT_FALSE(site.tocSource.has_value());
  EXPECT_FALSE(site.contentSource.has_value());
}

TEST(IsInsideFolder, ComparesWholeComponents) {
  EXPECT_TRUE(IsInsideFolder("\\site", "\\site"));
  EXPECT_TRUE(IsInsideFolder("\\site\\sub", "\\site"));
  EXPECT_FALSE(IsInsideFolder("\\site2", "\\site"));
  EXPECT_FALSE(IsInsideFolder("\\", "\\site"));
  EXPECT_TRUE(IsInsideFolder("\\anything", "\\"));
}

}  // namespace
}  // namespace quillery
