#include "convert/site_inputs.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "convert/memory_file_operations.h"
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

TEST(LoadDressingTexts, ReadsWhatTheRunAsksFor) {
  MemoryFileOperations files;
  ConversionRequest request;
  files.AddFile("\\work\\head.htm", "<html><body>H</body></html>");
  files.AddFile("\\work\\foot.htm", "<body>F</body>");
  files.AddFile("\\work\\base.htm", "<html><body>[QUILLERY]</body></html>");
  request.HEADERFILE = "\\work\\head.htm";
  request.FOOTERFILE = "\\work/foot.htm";  // "/" separates as well
  request.HTMLTEMPLATEFILE = "\\work\\base.htm";
  request.headerPlacements = {kHeaderTextCode};
  request.footerPlacements = {kFooterTextCode};
  request.USINGTEMPLATE = 1;
  EXPECT_EQ(All(LoadDressingTexts(files, request)),
            (Texts{"H", "F", "<html><body>[QUILLERY]</body></html>"}));
}

TEST(LoadDressingTexts, ASiteTemplateTakesTheProgramsSiteFiles) {
  MemoryFileOperations files;
  files.AddFile("\\program\\site.css", "css");
  files.AddFile("\\program\\site.js", "js");
  files.AddFile("\\work\\site.htm", "<head>[SITEHEAD]</head>[QUILLERY]");
  files.AddFile("\\work\\plain.htm", "<head></head>[QUILLERY]");
  ConversionRequest request("\\program");
  request.USINGTEMPLATE = 1;
  request.HTMLTEMPLATEFILE = "\\work\\site.htm";
  const DressingTexts site = LoadDressingTexts(files, request);
  EXPECT_EQ(site.siteStyles, "css");
  EXPECT_EQ(site.siteScript, "js");

  request.HTMLTEMPLATEFILE = "\\work\\plain.htm";
  const DressingTexts plain = LoadDressingTexts(files, request);
  EXPECT_EQ(plain.siteStyles, "");
  EXPECT_EQ(plain.siteScript, "");

  files.RemoveFile("\\program\\site.js");
  request.HTMLTEMPLATEFILE = "\\work\\site.htm";
  EXPECT_EQ(
      testing::FileErrorOf([&] { (void)LoadDressingTexts(files, request); }),
      "cannot read '/program/site.js': No such file or directory");
}

TEST(LoadDressingTexts, AFileNotAskedForIsNotReadAnAskedForOneMustBe) {
  MemoryFileOperations files;
  const std::string missing = "\\work\\none.htm";
  files.AddFile("\\work\\empty.htm", "");
  ConversionRequest request;
  request.HEADERFILE = request.FOOTERFILE = request.HTMLTEMPLATEFILE = missing;
  // Code 1 in the header list asks for nothing; no footer placement; no
  // template in use.
  request.headerPlacements = {kFooterTextCode};
  EXPECT_EQ(All(LoadDressingTexts(files, request)), (Texts{"", "", ""}));
  EXPECT_EQ(files.calls(), 0u);

  const std::string reason =
      "cannot read '/work/none.htm': No such file or directory";
  request.headerPlacements = {kHeaderTextCode};
  EXPECT_EQ(
      testing::FileErrorOf([&] { (void)LoadDressingTexts(files, request); }),
      reason);
  request.HEADERFILE.clear();  // no file named: nothing asked for
  request.USINGTEMPLATE = 1;
  EXPECT_EQ(
      testing::FileErrorOf([&] { (void)LoadDressingTexts(files, request); }),
      reason);
  request.HTMLTEMPLATEFILE = "\\work\\empty.htm";
  request.footerPlacements = {kFooterTextCode};
  EXPECT_EQ(
      testing::FileErrorOf([&] { (void)LoadDressingTexts(files, request); }),
      reason);
  request.FOOTERFILE = "\\work\\empty.htm";
  EXPECT_EQ(All(LoadDressingTexts(files, request)), (Texts{"", "", ""}));
}

// Links made by the system itself, on the disk.
class ReadSiteInputsOnDiskTest : public ::testing::Test {
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
    return ReadSiteInputs(files_, InternalPath(dir_.File("site/doc.htm")),
                          request_);
  }
  std::string Refusal(const std::string& frame, const std::string& source) {
    return "refusing the " + frame + " frame source '" + source + "' of '" +
           dir_.File("site/doc.htm") +
           "': it leads out of the document's folder";
  }

  ScopedTempDir dir_;
  SystemFileOperations files_;
  ConversionRequest request_;
};

TEST_F(ReadSiteInputsOnDiskTest,
       FrameSourcesThroughALinkOutOfTheSiteAreRefused) {
  ASSERT_TRUE(testing::MakeSymbolicLink("../outside", dir_.File("site/sub")));
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("TOC", "sub/toc.htm"));

  // A page of its own that links out is refused too; the folder is fine.
  testing::RemoveAll(dir_.File("site/sub"));
  WriteBytes(dir_.File("site/sub/toc.htm"), "toc");
  if (!testing::ShowsLinksToFiles()) {
    GTEST_SKIP() << "this system shows a link to a file as the file";
  }
  ASSERT_TRUE(testing::MakeSymbolicLink("../../outside/body.htm",
                                        dir_.File("site/sub/body.htm")));
  request_.LEVELSTOBREAK = 0;  // without a split Frame1 is not looked at
  EXPECT_EQ(Read().tocFrameText, "toc");
  request_.LEVELSTOBREAK = 1;
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("Frame1", "sub/body.htm"));
}

// The same site in memory: "\work\site\doc.htm" showing "sub/toc.htm" and
// "sub/body.htm", with pages outside the site beside it.
class ReadSiteInputsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    files_.AddFile("\\work\\site\\doc.htm",
                   "<frame name=TOC src=\"sub/toc.htm\">"
                   "<frame name=Frame1 src=\"sub/body.htm\">");
    files_.AddFile("\\work\\outside\\toc.htm", "outside toc");
    files_.AddFile("\\work\\outside\\body.htm", "outside body");
    request_.programFolder = "\\work\\program";
  }
  SiteInputs Read() {
    return ReadSiteInputs(files_, "\\work\\site\\doc.htm", request_);
  }
  std::string Refusal(const std::string& frame, const std::string& source) {
    return "refusing the " + frame + " frame source '" + source +
           "' of '/work/site/doc.htm': it leads out of the document's folder";
  }

  MemoryFileOperations files_;
  ConversionRequest request_;
};

TEST_F(ReadSiteInputsTest, FrameSourcesThroughALinkOutOfTheSiteAreRefused) {
  files_.AddLink("\\work\\site\\sub", "../outside");
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("TOC", "sub/toc.htm"));
  files_.AddLink("\\work\\site\\sub", "/work/outside");
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("TOC", "sub/toc.htm"));

  // A page of its own that links out is refused too; the folder is fine.
  files_.AddFolder("\\work\\site\\sub");
  files_.AddFile("\\work\\site\\sub\\toc.htm", "toc");
  files_.AddLink("\\work\\site\\sub\\body.htm", "../../outside/body.htm");
  request_.LEVELSTOBREAK = 0;  // without a split Frame1 is not looked at
  EXPECT_EQ(Read().tocFrameText, "toc");
  request_.LEVELSTOBREAK = 1;
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            Refusal("Frame1", "sub/body.htm"));
}

TEST_F(ReadSiteInputsTest, ReadsTheFramesOfASplittingRun) {
  files_.AddFile("\\work\\site\\sub\\toc.htm", "toc");
  files_.AddFile("\\work\\site\\sub\\body.htm", "body");
  request_.LEVELSTOBREAK = 1;
  const SiteInputs site = Read();
  EXPECT_EQ(site.framesText.substr(0, 6), "<frame");
  EXPECT_EQ(site.tocSource, "sub/toc.htm");
  EXPECT_EQ(site.tocFramePath, "\\work\\site\\sub/toc.htm");
  EXPECT_EQ(site.tocFrameText, "toc");
  EXPECT_EQ(site.contentSource, "sub/body.htm");
  EXPECT_EQ(site.contentText.view(), "body");
}

TEST_F(ReadSiteInputsTest, BulletImagesOnlyWhereTheirNamesAreFree) {
  files_.AddFile("\\work\\site\\sub\\toc.htm", "toc");
  files_.AddFile("\\work\\site\\sub\\main10001.gif", "the user's own");
  request_.TOCBULLETS = 1;
  // The program's image is read before anything is written.
  EXPECT_EQ(testing::FileErrorOf([&] { (void)Read(); }),
            "cannot read '/work/program/bullet10001.gif': No such file or "
            "directory");
  files_.AddFile("\\work\\program\\bullet10001.gif", std::string("GIF\0", 4));
  const SiteInputs site = Read();
  ASSERT_EQ(site.bulletImages.size(), 1u);
  EXPECT_EQ(site.bulletImages[0].path, "\\work\\site\\sub\\bullet10001.gif");
  EXPECT_EQ(site.bulletImages[0].bytes, std::string("GIF\0", 4));
}

TEST_F(ReadSiteInputsTest, WithoutATocFrameNothingMoreIsRead) {
  files_.AddFile("\\work\\site\\doc.htm", "<frame name=Frame1 src=gone.htm >");
  request_.LEVELSTOBREAK = 1;
  request_.TOCBULLETS = 1;
  const SiteInputs site = Read();
  EXPECT_FALSE(site.tocSource.has_value());
  EXPECT_FALSE(site.contentSource.has_value());
}

// Every call of a run that reads all it can fails in turn: the error that
// stops the run is the one of that call, naming its file, and nothing is
// read after it.
TEST_F(ReadSiteInputsTest, AFailureAtEachCallStopsTheReading) {
  files_.AddFile("\\work\\site\\doc.htm",
                 "<frame name=TOC src=\"toc.htm\">"
                 "<frame name=Frame1 src=\"sub/body.htm\">");
  files_.AddFile("\\work\\site\\toc.htm", "toc");
  files_.AddFile("\\work\\site\\sub\\body.htm", "body");
  for (const char* image : kBulletImageFiles) {
    files_.AddFile(std::string("\\work\\program\\") + image, "GIF");
  }
  files_.AddFile("\\work\\dressing\\header.htm", "<body>H</body>");
  files_.AddFile("\\work\\dressing\\footer.htm", "<body>F</body>");
  files_.AddFile("\\work\\dressing\\base.htm", "[QUILLERY]");
  request_.LEVELSTOBREAK = 1;
  request_.TOCBULLETS = 1;
  request_.HEADERFILE = "\\work\\dressing\\header.htm";
  request_.FOOTERFILE = "\\work\\dressing\\footer.htm";
  request_.HTMLTEMPLATEFILE = "\\work\\dressing\\base.htm";
  request_.headerPlacements = {kHeaderTextCode};
  request_.footerPlacements = {kFooterTextCode};
  request_.USINGTEMPLATE = 1;

  std::vector<std::string> calls;
  files_.SetHook([&calls](const FileCall& call) {
    calls.push_back(std::string(call.name) + " " + call.path);
  });
  const SiteInputs site = Read();
  EXPECT_EQ(site.pageBulletImages.size(), 4u);
  std::vector<std::string> reads;
  for (const std::string& call : calls) {
    if (call.compare(0, 4, "Read") == 0) reads.push_back(call);
  }
  EXPECT_EQ(reads, (std::vector<std::string>{
                       "ReadText \\work\\site\\doc.htm",
                       "ReadText \\work\\site\\toc.htm",
                       "ReadText \\work\\dressing\\header.htm",
                       "ReadText \\work\\dressing\\footer.htm",
                       "ReadText \\work\\dressing\\base.htm",
                       "ReadText \\work\\site\\sub/body.htm",
                       "ReadBytes \\work\\program\\bullet10001.gif",
                       "ReadBytes \\work\\program\\main10001.gif",
                       "ReadBytes \\work\\program\\bullet10001.gif",
                       "ReadBytes \\work\\program\\main10001.gif",
                       "ReadBytes \\work\\program\\bullet10001.gif",
                       "ReadBytes \\work\\program\\main10001.gif"}));

  for (std::size_t failAt = 1; failAt <= calls.size(); ++failAt) {
    SCOPED_TRACE(calls[failAt - 1]);
    MemoryFileOperations& files = files_;
    const std::size_t start = files.calls();
    std::string failedPath;
    files.SetHook([&files, &failedPath, start, failAt](const FileCall& call) {
      if (files.calls() - start < failAt) return;
      if (failedPath.empty()) failedPath = call.path;
      throw FileError("cannot read '" + NativePath(call.path) +
                      "': Input/output error");
    });
    const std::string error = testing::FileErrorOf([&] { (void)Read(); });
    EXPECT_EQ(error, "cannot read '" + NativePath(failedPath) +
                         "': Input/output error");
    EXPECT_EQ(files.calls() - start, failAt);
  }
}
}  // namespace
}  // namespace quillery
