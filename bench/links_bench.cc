// Times the link work of one large split: collecting the in-page link
// targets, noting anchor pages and resolving contents links slice by slice,
// and rewriting the in-page links of every page. Prints one line per step.
//
// The document: about 100 MB, 10,000 headings <h1>..<h3> each holding
// <a name="_TocN">, 50,000 in-page links <a href="#_TocN"> and 10,000
// contents links, cut at every heading (LEVELSTOBREAK 3).
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "split/link_rewriter.h"
#include "split/split_points.h"

namespace {

using quillery::bench::NextRandom;
using quillery::bench::SecondsSince;

constexpr std::size_t kHeadings = 10000;
constexpr std::size_t kLinksPerHeading = 5;
constexpr std::size_t kSectionBytes = 10000;
constexpr std::int32_t kLevelsToBreak = 3;

std::string MakeDocument() {
  std::uint32_t state = 12345;
  const std::string filler =
      "<p class=MsoNormal>Lorem ipsum dolor sit amet, consectetur adipiscing "
      "elit, sed do eiusmod tempor incididunt ut labore et dolore.</p>\r\n";
  std::string text = "<html><head><title>Report</title></head>\r\n<body>\r\n";
  text.reserve(kHeadings * (kSectionBytes + 200));
  for (std::size_t heading = 0; heading < kHeadings; ++heading) {
    const std::string level = std::to_string(1 + heading % 3);
    const std::string name = "_Toc" + std::to_string(100000 + heading);
    const std::size_t sectionStart = text.size();
    text += "<h" + level + "><a name=\"" + name + "\"></a>Heading " +
            std::to_string(heading) + "</h" + level + ">\r\n";
    for (std::size_t link = 0; link < kLinksPerHeading; ++link) {
      const std::size_t target = NextRandom(state) % kHeadings;
      text += "<p class=MsoNormal>See <a href=\"#_Toc" +
              std::to_string(100000 + target) + "\">section " +
              std::to_string(target) + "</a>.</p>\r\n";
    }
    while (text.size() - sectionStart < kSectionBytes) text += filler;
  }
  text += "</body></html>\r\n";
  return text;
}

}  // namespace

int main() {
  using quillery::AnchorPageTable;
  using quillery::FindNextSplitPoint;
  using quillery::TocLink;
  using quillery::TocLinkResolver;
  using Clock = std::chrono::steady_clock;

  const std::string text = MakeDocument();
  const std::string_view view = text;
  std::printf("document: %zu bytes\n", text.size());

  Clock::time_point start = Clock::now();
  const std::size_t bodyStart = text.find("<body>") + 6;
  const std::size_t bodyEnd = text.find("</body");
  std::vector<std::string_view> slices;
  std::vector<std::string> pageFiles;
  std::size_t sliceStart = bodyStart;
  for (std::size_t point = FindNextSplitPoint(view, 0, kLevelsToBreak);
       point != std::string_view::npos;
       point = FindNextSplitPoint(view, point + 1, kLevelsToBreak)) {
    slices.push_back(view.substr(sliceStart, point - sliceStart));
    sliceStart = point;
  }
  slices.push_back(view.substr(sliceStart, bodyEnd - sliceStart));
  for (std::size_t k = 0; k < slices.size(); ++k) {
    pageFiles.push_back("Report_p" + std::to_string(k) + ".htm");
  }
  std::printf("split points:       %8.3f s  (%zu slices)\n",
              SecondsSince(start), slices.size());

  AnchorPageTable table;
  start = Clock::now();
  table.CollectLinkTargets(text);
  std::printf("CollectLinkTargets: %8.3f s  (%zu targets)\n",
              SecondsSince(start), table.linkTargets().size());

  start = Clock::now();
  for (std::size_t k = 0; k < slices.size(); ++k) {
    table.RecordAnchorPage(slices[k], pageFiles[k]);
  }
  std::printf("RecordAnchorPage:   %8.3f s\n", SecondsSince(start));

  std::vector<TocLink> tocLinks(kHeadings);
  for (std::size_t heading = 0; heading < kHeadings; ++heading) {
    TocLink& link = tocLinks[heading];
    link.anchorName = "_Toc" + std::to_string(100000 + heading);
    link.oldTarget = "Report.htm#" + link.anchorName;
  }
  start = Clock::now();
  TocLinkResolver resolver(std::move(tocLinks));
  for (std::size_t k = 0; k < slices.size(); ++k) {
    resolver.ResolveTocLinks(slices[k], pageFiles[k]);
  }
  std::size_t resolved = 0;
  for (const TocLink& link : resolver.tocLinks()) {
    if (!link.newTarget.empty()) ++resolved;
  }
  std::printf("ResolveTocLinks:    %8.3f s  (%zu of %zu resolved)\n",
              SecondsSince(start), resolved, resolver.tocLinks().size());

  start = Clock::now();
  std::size_t changedPages = 0;
  std::size_t pageBytes = 0;
  for (std::size_t k = 0; k < slices.size(); ++k) {
    std::string page(slices[k]);
    const std::string rewritten =
        quillery::RewritePageLinks(page, pageFiles[k], table);
    if (rewritten != page) ++changedPages;
    pageBytes += rewritten.size();
  }
  std::printf("RewritePageLinks:   %8.3f s  (%zu pages changed, %zu bytes)\n",
              SecondsSince(start), changedPages, pageBytes);
  return 0;
}
