// Feeds arbitrary bytes to the text operations, which must never crash,
// read out of bounds or loop, whatever the markup looks like. Built with
// clang and -DQUILLERY_FUZZ=ON; run as `build-fuzz/text_operations_fuzzer`.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "app/settings.h"
#include "convert/toc_links.h"
#include "dress/graphics_cleanup.h"
#include "dress/head_body_tail.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"
#include "split/annotations.h"
#include "split/charset.h"
#include "split/link_rewriter.h"
#include "split/page_splitter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace quillery;
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::string contents = text;
  AddTocBullets(contents);
  std::vector<TocLink> links;
  CollectTocLinks(contents, links);
  for (std::size_t i = 0; i < links.size(); i += 2) {
    links[i].newTarget =
        "p" + std::to_string(i) + ".htm#" + links[i].anchorName;
  }
  ApplyTocLinks(contents, links);

  const std::string cleaned = RemoveAnnotationBlocks(text);
  std::vector<std::string> linkTargets, anchorPages;
  AnchorPageTable anchors(linkTargets, anchorPages);
  anchors.CollectLinkTargets(cleaned);
  TocLinkResolver resolver(links);
  std::vector<std::string> pages;
  ForEachPageSlice(cleaned, FindBodySeams(cleaned), 3,
                   [&](std::size_t page, std::string_view slice) {
                     pages.push_back("p" + std::to_string(page) + ".htm");
                     anchors.RecordAnchorPage(slice, pages.back());
                     resolver.ResolveTocLinks(slice, pages.back());
                   });
  std::string page = cleaned;
  static_cast<void>(RewriteLinksInPage(page, "p0.htm", anchors));

  std::string head = text;
  static_cast<void>(ExtractStylesheet(head, "doc.css"));
  std::string withCharset = text;
  InsertCharsetTag(withCharset, ExtractCharsetTag(text));
  static_cast<void>(CleanGraphics(text, 420, 1));
  static_cast<void>(KeepBodyContent(text));
  static_cast<void>(FindHeadClose(text));
  return 0;
}
