#include "dress/template_fill.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/settings.h"
#include "dress/head_body_tail.h"
#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ScopedTempDir;
using Texts = std::vector<std::string>;

// Writes `bytes` to the file `name` in `dir`; returns its native path.
std::string Write(const ScopedTempDir& dir, const std::string& name,
                  const std::string& bytes) {
  testing::WriteBytes(dir.File(name), bytes);
  return dir.File(name);
}

// The working folder changed for the lifetime of the object.
struct InFolder {
  explicit InFolder(const std::string& path) {
    std::filesystem::current_path(path);
  }
  ~InFolder() { std::filesystem::current_path(previous); }
  const std::filesystem::path previous = std::filesystem::current_path();
};

Texts All(const DressingTexts& texts) {
  return {texts.headerText, texts.footerText, texts.templateText};
}

std::string ProgramFile(const std::string& name) {
  return testing::ReadBytes(std::string(QUILLERY_SOURCE_DIR) + "/dress/" +
                            name);
}

TEST(ReadWholeFile, ReadsFilesAroundTheChunkSizeWhole) {
  ScopedTempDir dir;
  for (std::size_t size : {std::size_t{32768}, std::size_t{32769}}) {
    SCOPED_TRACE(size);
    std::string bytes;  // 1 to 255 over and over: no zero byte
    while (bytes.size() < size)
      bytes += static_cast<char>(1 + bytes.size() % 255);
    const std::string file = Write(dir, "page.htm", bytes);
    EXPECT_EQ(ReadWholeFile(InternalPath(file)), bytes);
  }
}

TEST(ReadWholeFile, RefusesAZeroByte) {
  ScopedTempDir dir;
  const std::string file =
      Write(dir, "utf16.htm", std::string("<\0h\0t\0m\0l\0>\0", 12));
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
      {"usual file, bytes above 127 and CRLF kept",
       "<html><head></head><body lang=EN>\r\n<p>\xE4</p>\r\n</body>",
       "\r\n<p>\xE4</p>\r\n"},
      {"blanks, tabs and capitals", "<html>< \t Body>H< \t/BODY>", "H"},
      {"empty body", "<body></body>", ""},
      {"class name before the body tag",
       "<style>p.MsoBodyText {}</style><body>H</body>",
       "<style>p.MsoBodyText {}</style><body>H</body>"},
      {"only blanks before the first body", " \tbody>H</body>",
       " \tbody>H</body>"},
      {"body at byte 0", "body>H</body>", "body>H</body>"},
      {"start tag without its end", "<body", "<body"},
      {"no end tag", "<body>H", "<body>H"},
      {"end tag not opened by <", "<body>H/body>", "<body>H/body>"},
      {"no body at all", "<p>H</p>", "<p>H</p>"},
      {"empty text", "", ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(KeepBodyContent(row.html), row.expected);
  }
}

TEST(LoadDressingTexts, ReadsWhatThePlacementsAskForFromTheWorkingFolder) {
  ScopedTempDir dir;
  ConversionSettings settings;
  settings.HEADERFILE = Write(dir, "head.htm", "<html><body>H</body></html>");
  settings.FOOTERFILE = Write(dir, "foot.htm", "<body>F</body>");
  Write(dir, "base.htm", "<html><body>[QUILLERY]</body></html>");
  settings.HTMLTEMPLATEFILE = "base.htm";  // as typed, relative
  settings.headerPlacements = {kHeaderTextCode};
  settings.footerPlacements = {kFooterTextCode};
  settings.USINGTEMPLATE = 1;

  DressingTexts texts;
  {
    InFolder inDir(dir.path());
    LoadDressingTexts(settings, texts);
  }
  EXPECT_EQ(All(texts),
            (Texts{"H", "F", "<html><body>[QUILLERY]</body></html>"}));
}

TEST(LoadDressingTexts, LoadsOnlyWhatIsAskedForAndMissingFilesAsEmpty) {
  const std::string missing = "/nonexistent/quillery/none.htm";
  ConversionSettings settings;
  settings.HEADERFILE = settings.FOOTERFILE = settings.HTMLTEMPLATEFILE =
      missing;
  settings.headerPlacements = {kFooterTextCode};
  settings.footerPlacements = {};
  settings.USINGTEMPLATE = 0;
  DressingTexts texts{"old header", "old footer", "old template"};
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(All(texts), (Texts{"old header", "old footer", "old template"}));

  settings.headerPlacements = {kHeaderTextCode};
  settings.footerPlacements = {kFooterTextCode};
  settings.USINGTEMPLATE = 1;
  settings.HEADERFILE.clear();
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(All(texts), (Texts{"old header", "", ""}));
  settings.HEADERFILE = missing;
  LoadDressingTexts(settings, texts);
  EXPECT_EQ(All(texts), (Texts{"", "", ""}));
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
      {"only the first, in any case", "<Html><html>", tag + "<html>"},
      {"tag with attributes", "<html lang=en><head>",
       tag + "<html lang=en><head>"},
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
  auto dressed = [](const std::string& page) {
    return "\r\nH\r\n<BR>\r\n" + page + "\r\n<BR>\r\n\r\nF";
  };
  const std::string d = dressed("PAGE");
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
      {"no template", "PAGE", "", &contents, d},
      {"two page markers", "PAGE", "[QUILLERY]|[QUILLERY]", nullptr,
       d + "|" + d},
      {"contents", "PAGE", "[WORDTOC]|[QUILLERY]|[WORDTOC]", &contents,
       "TOC|" + d + "|TOC"},
      {"no contents text", "PAGE", "[WORDTOC]|[QUILLERY]", nullptr,
       "[WORDTOC]|" + d},
      {"empty contents text", "PAGE", "[WORDTOC]|[QUILLERY]", &empty,
       "[WORDTOC]|" + d},
      {"page marker not filled again", "[QUILLERY]", "<[QUILLERY]>", nullptr,
       "<" + dressed("[QUILLERY]") + ">"},
      {"contents marker in the page", "[WORDTOC]", "[QUILLERY]", &contents,
       dressed("TOC")},
      {"template without page marker", "[WORDTOC]", "<p>[WORDTOC]</p>",
       &contents, dressed("TOC")},
      {"template without any marker", "[WORDTOC]", "<p></p>", &contents,
       dressed("[WORDTOC]")},
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
    const std::string body = KeepBodyContent(file);
    EXPECT_NE(body, file);
    EXPECT_EQ(body, SplitPageParts(file).body);
    EXPECT_EQ(body.find("<head"), std::string::npos);
  }
}

TEST(DefaultDressingFiles, TemplateTakesTheNamespacesAndTheStylesheetLink) {
  std::string templateText = ProgramFile("base.htm");
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
