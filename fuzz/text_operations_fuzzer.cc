// Feeds arbitrary bytes to the text operations, which must never crash,
// read out of bounds or loop, whatever the markup looks like. Built with
// clang and -DQUILLERY_FUZZ=ON; run as `build-fuzz/text_operations_fuzzer`.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dress/contents_builder.h"
#include "dress/graphics_cleanup.h"
#include "dress/head_body_tail.h"
#include "dress/own_contents.h"
#include "dress/page_navigation.h"
#include "dress/site_files.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"
#include "split/charset.h"
#include "split/link_rewriter.h"
#include "split/page_splitter.h"
#include "split/site_references.h"
#include "split/toc_links.h"
#include "text/site_path.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace quillery;
  const std::string text(reinterpret_cast<const char*>(data), size);

  const std::string contents = AddTocBullets(text);
  std::vector<TocLink> links = CollectTocLinks(contents);
  for (std::size_t i = 0; i < links.size(); i += 2) {
    links[i].newTarget =
        "p" + std::to_string(i) + ".htm#" + links[i].anchorName;
  }
  static_cast<void>(ApplyTocLinks(contents, links));

  const PageSplit split = SplitIntoPages(text, "p", 3);
  links = LocateTocLinks(std::move(links), split);
  for (std::size_t page = 0; page < split.PageCount(); ++page) {
    static_cast<void>(RewritePageLinks(std::string(split.Slice(page)),
                                       split.PageFile(page), split.anchors()));
  }

  static_cast<void>(ExtractStylesheet(text, "doc.css"));
  static_cast<void>(InsertCharsetTag(text, ExtractCharsetTag(text)));
  static_cast<void>(CleanGraphics(text, 420, /*keepProportions=*/true));
  static_cast<void>(KeepBodyContent(text));
  static_cast<void>(FindHeadClose(text));
  static_cast<void>(PutWordNamespaces(text));

  for (const std::string& reference : FindReferences(text)) {
    static_cast<void>(ClassifyReference(reference, "doc_files"));
  }
  const BuiltFrames built =
      BuildContentsFrame(text, "a b.htm", "a b_toc.htm", /*levelsToBreak=*/2);
  const std::vector<OwnContentsEntry> entries = ReadOwnContents(text, "a.htm");
  std::vector<std::size_t> holds;
  for (const OwnContentsEntry& entry : entries) {
    holds.push_back(entry.bookmarkTagAt);
  }
  std::sort(holds.begin(), holds.end());
  static_cast<void>(CutsBeforeBlocks(text, holds, /*bodyStart=*/0));
  static_cast<void>(CollectTocLinks(built.contentsPage));
  PageMarkers markers;
  markers.pageTitle = FirstHeadingText(text);
  markers.documentTitle = DocumentTitle(text, "doc");
  markers.contents = ContentsMarker(text).MarkedFor("p1.htm");
  static_cast<void>(ExpandPageMarkers(text, markers));
  static_cast<void>(RemoveFrameTargets(text));
  static_cast<void>(ApplyTocLinksFrom(text, links, "doc_files/../x"));

  const SitePath path(text);
  static_cast<void>(path.Normal());
  static_cast<void>(path.Folder().Join(path.Name()));
  static_cast<void>(path.RelativeFrom(SitePath("a/../../b")));
  static_cast<void>(path.IsInside(SitePath("\\site")));
  static_cast<void>(path.Key());
  static_cast<void>(PercentDecoded(text));
  static_cast<void>(PercentDecodedStrictly(text));
  static_cast<void>(DocumentLanguage(text));
  for (ByteLayout layout :
       {ByteLayout::kSingleByte, ByteLayout::kUtf8, ByteLayout::kDoubleByte}) {
    static_cast<void>(FirstHeadingLabel(text, layout));
    static_cast<void>(JavaScriptString(text, layout));
    static_cast<void>(SearchText(text, layout));
    static_cast<void>(ContentsList(ContentsEntries(text, "p", layout)));
  }
  return 0;
}
