#include "dress/template_fill.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "dress/head_body_tail.h"
#include "platform/file_io.h"

namespace quillery {
namespace {

// A fresh folder under the system's temporary folder, removed with its files.
class ScopedTempDir {
 public:
  ScopedTempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "quillery-dress-XXXXXX")
            .string();
    if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~ScopedTempDir() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }

  // Writes `bytes` to the file `name` in the folder; returns its native path.
  std::string Write(const std::string& name, const std::string& bytes) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file, std::ios::binary) << bytes;
    return file;
  }

 private:
  std::string path_;
};

// The working folder changed for the lifetime of the object.
class ScopedWorkingDirectory {
 public:
  explicit ScopedWorkingDirectory(const std::string& path)
      : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(path);
  }
  ~ScopedWorkingDirectory() { std::filesystem::current_path(previous_); }
  ScopedWorkingDirectory(const ScopedWorkingDirectory&) = delete;
  ScopedWorkingDirectory& operator=(const ScopedWorkingDirectory&) = delete;

 private:
  std::filesystem::path previous_;
};

std::string ProgramFile(const std::string& name) {
  std::ifstream file(std::string(QUILLERY_SOURCE_DIR) + "/dress/" + name,
                     std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

// Bytes 1 to 255 over and over: no zero byte, every line end kept.
std::string FileBytes(std::size_t size) {
  std::string bytes(size, ' ');
  for (std::size_t at = 0; at < size; ++at) {
    bytes[at] = static_cast<char>(1 + at % 255);
  }
  return bytes;
}

TEST(ReadWholeFile, ReadsFilesAroundTheChunkSizeWhole) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  for (std::size_t size : {std::size_t{32768}, std::size_t{32769}}) {
    SCOPED_TRACE(size);
    const std::string bytes = FileBytes(size);
    const std::string file = folder.Write("page.htm", bytes);
    EXPECT_EQ(ReadWholeFile(InternalPath(file)), bytes);
  }
}

TEST(ReadWholeFile, MissingFileReadsEmpty) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  EXPECT_EQ(ReadWholeFile(InternalPath(folder.path() + "/missing.htm")), "");
}

TEST(ReadWholeFile, RefusesAZeroByte) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  const std::string file =
      folder.Write("utf16.htm", std::string("<\0h\0t\0m\0l\0>\0", 12));
  try {
    (void)ReadWholeFile(InternalPath(file));
    ADD_FAILURE() << "no FileError";
  } catch (const FileError& error) {
    EXPECT_EQ(std::string(error.what()),
              "cannot read '" + file +
                  "': it holds a zero byte (a UTF-16 or binary file?)");
  }
}

TEST(KeepBodyContent, TakesTheTextBetweenTheBodyTags) {
  struct Row {
    const char* name;
    std::string html;
    std::string expected;
  };
  const Row rows[] = {
      {"usual file", "<html><head></head><body lang=EN>\r\n<p>H</p>\r\n</body>",
       "\r\n<p>H</p>\r\n"},
      {"capitals", "<HTML><BODY>H</BODY></HTML>", "H"},
      {"blanks and tabs after the opens", "<html>< \t Body>H< \t/BODY>", "H"},
      {"empty body", "<body></body>", ""},
      {"class name before the body tag",
       "<style>p.MsoBodyText {}</style><body>H</body>",
       "<style>p.MsoBodyText {}</style><body>H</body>"},
      {"end tag before the start tag", "x</body><body>H", "x</body><body>H"},
      {"only blanks before the first body", " \tbody>H</body>",
       " \tbody>H</body>"},
      {"body at byte 0", "body>H</body>", "body>H</body>"},
      {"start tag without its end", "<body", "<body"},
      {"no end tag", "<body>H", "<body>H"},
      {"end tag not opened by <", "<body>H/body>", "<body>H/body>"},
      {"no body at all", "<p>H</p>", "<p>H</p>"},
      {"empty text", "", ""},
      {"bytes above 127 kept", "<body>\xE4\r\n\xFC</body>", "\xE4\r\n\xFC"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KeepBodyContent(row.html), row.expected);
  }
}

TEST(LoadDressingTexts, ReadsWhatThePlacementsAskFor) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  ConversionSettings settings;
  settings.HEADERFILE =
      folder.Write("head.htm", "<html><body>\r\n<p>H</p>\r\n</body></html>");
  settings.FOOTERFILE =
      folder.Write("foot.htm", "<style>.MsoBodyText{}</style><body>F</body>");
  settings.HTMLTEMPLATEFILE =
      folder.Write("base.htm", "<html><body>[QUILLERY]</body></html>");
  settings.headerPlacements = {kHeaderTextCode};
  settings.footerPlacements = {kFooterTextCode};
  settings.USINGTEMPLATE = 1;

  DressingTexts texts;
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(texts.headerText, "\r\n<p>H</p>\r\n");
  EXPECT_EQ(texts.footerText, "<style>.MsoBodyText{}</style><body>F</body>");
  EXPECT_EQ(texts.templateText, "<html><body>[QUILLERY]</body></html>");
}

TEST(LoadDressingTexts, LeavesTextsNotAskedForAsPassed) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  ConversionSettings settings;
  settings.HEADERFILE = folder.Write("head.htm", "<body>H</body>");
  settings.FOOTERFILE = folder.Write("foot.htm", "<body>F</body>");
  settings.HTMLTEMPLATEFILE = folder.Write("base.htm", "[QUILLERY]");
  settings.headerPlacements = {kFooterTextCode};
  settings.footerPlacements = {};
  settings.USINGTEMPLATE = 0;

  DressingTexts texts{"old header", "old footer", "old template"};
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(texts.headerText, "old header");
  EXPECT_EQ(texts.footerText, "old footer");
  EXPECT_EQ(texts.templateText, "old template");

  settings.HEADERFILE.clear();
  settings.headerPlacements = {kHeaderTextCode};
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(texts.headerText, "old header");
}

TEST(LoadDressingTexts, MissingFilesGiveEmptyTexts) {
  ConversionSettings settings;
  settings.HEADERFILE = settings.FOOTERFILE = settings.HTMLTEMPLATEFILE =
      "/nonexistent/quillery/none.htm";
  settings.headerPlacements = {kHeaderTextCode};
  settings.footerPlacements = {kFooterTextCode};
  settings.USINGTEMPLATE = 1;
  DressingTexts texts{"old header", "old footer", "old template"};
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(texts.headerText, "");
  EXPECT_EQ(texts.footerText, "");
  EXPECT_EQ(texts.templateText, "");
}

TEST(LoadDressingTexts, ReadsPathsAsTypedFromTheWorkingFolder) {
  ScopedTempDir folder;
  ASSERT_FALSE(folder.path().empty());
  folder.Write("base.htm", "[QUILLERY]");
  ConversionSettings settings;
  settings.HTMLTEMPLATEFILE = "base.htm";
  settings.USINGTEMPLATE = 1;

  DressingTexts texts;
  {
    ScopedWorkingDirectory inFolder(folder.path());
    LoadDressingTexts(settings, texts);
  }
  EXPECT_EQ(texts.templateText, "[QUILLERY]");
}

TEST(PutWordNamespaces, ReplacesTheHtmlStartTag) {
  const std::string tag(kWordNamespaceTag);
  struct Row {
    const char* name;
    std::string templateText;
    std::string expected;
  };
  const Row rows[] = {
      {"plain tag", "<!DOCTYPE html>\n<html>\n<head>",
       "<!DOCTYPE html>\n" + tag + "\n<head>"},
      {"capitals", "<HTML><head>", tag + "<head>"},
      {"only the first", "<Html><html>", tag + "<html>"},
      {"tag with attributes", "<html lang=en><head>",
       tag + "<html lang=en><head>"},
      {"no tag", "[QUILLERY]", tag + "[QUILLERY]"},
      {"empty template", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::string templateText = row.templateText;
    PutWordNamespaces(templateText);
    EXPECT_EQ(templateText, row.expected);
  }
}

TEST(FillTemplate, PoursTheDressedPageIntoTheTemplate) {
  ConversionSettings settings;
  settings.headerPlacements = {kHeaderTextCode};
  settings.footerPlacements = {kFooterTextCode};
  const std::string dressed = "\r\nH\r\n<BR>\r\nPAGE\r\n<BR>\r\n\r\nF";
  const std::string contents = "TOC";
  const std::string empty;
  struct Row {
    const char* name;
    std::string page;
    std::string templateText;
    const std::string* contents;
    std::string expected;
  };
  const Row rows[] = {
      {"no template", "PAGE", "", &contents, dressed},
      {"one marker", "PAGE", "<a>[QUILLERY]</a>", nullptr,
       "<a>" + dressed + "</a>"},
      {"two markers", "PAGE", "[QUILLERY]|[QUILLERY]", nullptr,
       dressed + "|" + dressed},
      {"contents", "PAGE", "[WORDTOC]|[QUILLERY]|[WORDTOC]", &contents,
       "TOC|" + dressed + "|TOC"},
      {"no contents text", "PAGE", "[WORDTOC]|[QUILLERY]", nullptr,
       "[WORDTOC]|" + dressed},
      {"empty contents text", "PAGE", "[WORDTOC]|[QUILLERY]", &empty,
       "[WORDTOC]|" + dressed},
      {"page marker not filled again", "[QUILLERY]", "<[QUILLERY]>", nullptr,
       "<\r\nH\r\n<BR>\r\n[QUILLERY]\r\n<BR>\r\n\r\nF>"},
      {"contents marker in the page", "[WORDTOC]", "[QUILLERY]", &contents,
       "\r\nH\r\n<BR>\r\nTOC\r\n<BR>\r\n\r\nF"},
      {"template without page marker", "[WORDTOC]", "<p>[WORDTOC]</p>",
       &contents, "\r\nH\r\n<BR>\r\nTOC\r\n<BR>\r\n\r\nF"},
      {"template without any marker", "[WORDTOC]", "<p></p>", &contents,
       "\r\nH\r\n<BR>\r\n[WORDTOC]\r\n<BR>\r\n\r\nF"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FillTemplate(row.page, row.templateText, "H", "F", row.contents,
                           settings),
              row.expected);
  }
}

TEST(FillTemplate, NarrowsPicturesOfThePageOnly) {
  ConversionSettings settings;
  settings.headerPlacements = {kHeaderTextCode};
  settings.USEMAXWIDTH = 1;
  settings.MAXWIDTH = 420;
  const std::string picture = "<img width=840 height=300>";
  EXPECT_EQ(FillTemplate(picture, "", picture, "", nullptr, settings),
            "\r\n" + picture + "\r\n<BR>\r\n<img width=420 height=150>");
  settings.USEMAXWIDTH = 0;
  EXPECT_EQ(FillTemplate(picture, "", "", "", nullptr, settings), picture);
}

TEST(FillTemplate, ReplacesContentsMarkersOfTheWholeFilledTemplate) {
  const ConversionSettings settings;
  const std::string contents = "<ul>";
  EXPECT_EQ(
      FillTemplate("TOC]", "[WORD[QUILLERY]", "", "", &contents, settings),
      "<ul>");
}

// The default header, footer and template that sit beside the program.
TEST(DefaultDressingFiles, HeaderAndFooterGiveTheirBodyContent) {
  for (const char* name : {"header.htm", "footer.htm"}) {
    SCOPED_TRACE(name);
    const std::string file = ProgramFile(name);
    ASSERT_FALSE(file.empty());
    const std::string body = KeepBodyContent(file);
    EXPECT_NE(body, file);
    EXPECT_EQ(body, SplitPageParts(file).body);
    EXPECT_EQ(body.find("<head"), std::string::npos);
  }
}

TEST(DefaultDressingFiles, TemplateTakesTheNamespacesAndTheStylesheetLink) {
  std::string templateText = ProgramFile("base.htm");
  ASSERT_FALSE(templateText.empty());
  EXPECT_NE(templateText.find(kQuilleryMarker), std::string::npos);
  EXPECT_NE(templateText.find(kWordTocMarker), std::string::npos);
  EXPECT_EQ(templateText.find("charset="), std::string::npos);
  const std::size_t headClose = FindHeadClose(templateText);
  ASSERT_NE(headClose, std::string::npos);
  EXPECT_EQ(templateText.compare(headClose, 7, "</head>"), 0);
  PutWordNamespaces(templateText);
  const std::size_t tag = templateText.find(kWordNamespaceTag);
  ASSERT_NE(tag, std::string::npos);
  EXPECT_EQ(templateText.find("<html"), tag);
  EXPECT_EQ(templateText.find("<html", tag + 1), std::string::npos);
}

}  // namespace
}  // namespace quillery
