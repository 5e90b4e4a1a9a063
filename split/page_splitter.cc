// The page splitter; see page_splitter.h.
#include "split/page_splitter.h"

#include <optional>

#include "dress/head_body_tail.h"
#include "dress/stylesheet.h"
#include "platform/file_io.h"
#include "split/annotations.h"
#include "split/charset.h"
#include "split/frame_source.h"
#include "split/link_rewriter.h"
#include "split/paths.h"
#include "split/split_points.h"
#include "text/bytes.h"

namespace quillery {
namespace {

// Everything the pages of one split share.
struct PageBook {
  std::string directory;
  std::string baseName;
  std::string headPart;
  std::string tailPart;
  std::string templateText;
  std::string stylesheetFile;
  const DressingTexts* dressing;
  const std::string* contentsText;
  ConversionSettings* settings;
  AnchorPageTable* anchors;
  TocLinkResolver* resolver;
};

// Writes one page file from its slice. The anchors and contents links see
// the bare slice, before any template, header or footer is added.
void WritePage(const PageBook& book, std::size_t page, std::string_view slice) {
  const std::string fileName = PageFileName(book.baseName, page);
  book.settings->pageFiles.push_back(fileName);
  book.anchors->RecordAnchorPage(slice, fileName);
  book.resolver->ResolveTocLinks(slice, fileName);
  std::string pageText = FillTemplate(
      std::string(slice), book.templateText, book.dressing->headerText,
      book.dressing->footerText, book.contentsText, *book.settings);
  const std::string path = book.directory + "\\" + fileName;
  if (!book.templateText.empty()) {
    InsertStylesheetLink(pageText, book.stylesheetFile);
    WriteFileAtomically(path, pageText);
    return;
  }
  std::string file;
  file.reserve(book.headPart.size() + pageText.size() + book.tailPart.size());
  file.append(book.headPart).append(pageText).append(book.tailPart);
  WriteFileAtomically(path, file);
}

// The frames text with its Frame1 source pointing at page 0: the quoted
// source when it occurs, otherwise every bare occurrence of it.
std::string PointFramesAt(const std::string& framesText,
                          const std::string& source,
                          const std::string& firstPageName) {
  const std::string encoded = ReplaceAll(source, " ", "%20");
  const std::string quotedPage = "\"" + firstPageName + "\"";
  const std::string quotedSource = "\"" + encoded + "\"";
  if (Contains(framesText, quotedSource)) {
    return ReplaceAll(framesText, quotedSource, quotedPage);
  }
  return ReplaceAll(framesText, encoded, quotedPage);
}

}  // namespace

std::size_t ForEachPageSlice(
    std::string_view content, const BodySeams& seams,
    std::int32_t levelsToBreak,
    const std::function<void(std::size_t, std::string_view)>& visit) {
  auto slice = [&](std::size_t from, std::size_t to) {
    if (to <= from || from >= content.size()) return std::string_view();
    return content.substr(from, to - from);
  };
  std::size_t page = 0;
  std::size_t start = seams.bodyStart;
  for (std::size_t splitAt = FindNextSplitPoint(content, 0, levelsToBreak);
       splitAt != std::string_view::npos;
       splitAt = FindNextSplitPoint(content, splitAt + 1, levelsToBreak)) {
    visit(page, slice(start, splitAt));
    start = splitAt;
    ++page;
  }
  if (page == 0) return 0;
  visit(page, slice(start, seams.bodyEnd));
  return page + 1;
}

std::string PageFileName(const std::string& baseName, std::size_t page) {
  return baseName + "_p" + std::to_string(page) + ".htm";
}

std::string SplitIntoPages(const std::string& mainFilePath,
                           const std::string& framesText,
                           const DressingTexts& dressing,
                           const std::string* contentsText,
                           std::string& charsetTag, std::string& stylesheetName,
                           ConversionSettings& settings) {
  std::optional<std::string> source =
      FrameSourceInFolder(framesText, "Frame1", mainFilePath);
  if (!source) return std::string();
  stylesheetName = StripHtmExtension(FileNameOf(*source)) + ".css";
  const std::string directory = DirectoryOf(mainFilePath);
  const std::string contentPath = directory + "\\" + *source;

  std::string content = ReadFile(contentPath);
  PageBook book;
  book.templateText = dressing.templateText;
  charsetTag = ExtractCharsetTag(content);
  InsertCharsetTag(book.templateText, charsetTag);
  content = RemoveAnnotationBlocks(std::move(content));
  AnchorPageTable anchors(settings.linkTargets, settings.anchorPages);
  anchors.CollectLinkTargets(content);

  const BodySeams seams = FindBodySeams(content);
  book.headPart = HeadPart(content, seams);
  book.tailPart = TailPart(content, seams);

  book.baseName = StripHtmExtension(FileNameOf(contentPath));
  const std::string stylesheetFile = book.baseName + ".css";
  const std::string stylesheet =
      ExtractStylesheet(book.headPart, stylesheetFile);
  if (!stylesheet.empty()) {
    WriteFileAtomically(directory + "\\" + stylesheetFile, stylesheet);
  }

  TocLinkResolver resolver(settings.tocLinks);
  book.directory = directory;
  book.stylesheetFile = stylesheetFile;
  book.dressing = &dressing;
  book.contentsText = contentsText;
  book.settings = &settings;
  book.anchors = &anchors;
  book.resolver = &resolver;
  settings.pageFiles.clear();
  std::size_t pages =
      ForEachPageSlice(content, seams, settings.LEVELSTOBREAK,
                       [&](std::size_t page, std::string_view slice) {
                         WritePage(book, page, slice);
                       });
  if (pages == 0) return std::string();

  RewritePageLinks(directory, settings.pageFiles, anchors);
  const std::string& firstPageName = settings.pageFiles.front();
  WriteFileAtomically(mainFilePath,
                      PointFramesAt(framesText, *source, firstPageName));
  return directory + "\\" + firstPageName;
}

}  // namespace quillery
