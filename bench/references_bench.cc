// Times the reference scan of an output folder's pages: finding the
// references of each page, classifying them, and learning from each what
// else the output needs, on about 100 MB of generated
// pages shaped as a split writes them (10,000 pages of about 10 KB, each
// with a stylesheet link, a heading anchor, five links to other pages, now
// and then a picture inside the word processor's conditional comments, and
// paragraphs full of attributes). Prints the best of five rounds per step.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "convert/referenced_files.h"
#include "split/site_references.h"

namespace {

using quillery::bench::NextRandom;
using quillery::bench::SecondsSince;
using Clock = std::chrono::steady_clock;

constexpr std::size_t kPages = 10000;
constexpr std::size_t kPageBytes = 10000;
constexpr std::size_t kLinksPerPage = 5;
constexpr int kRounds = 5;

std::string PageName(std::size_t page) {
  return "Report_body_p" + std::to_string(page) + ".htm";
}

std::string MakePage(std::size_t page, std::uint32_t& state) {
  std::string text =
      "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
      "charset=windows-1252\">\r\n\r\n<link rel=\"StyleSheet\" "
      "href=\"Report_body.css\">\r\n\r\n</head>\r\n<body lang=EN-GB>\r\n\r\n";
  text += "<h2><a name=\"_Toc" + std::to_string(500000000 + page) +
          "\">Heading " + std::to_string(page) + "</a></h2>\r\n";
  for (std::size_t link = 0; link < kLinksPerPage; ++link) {
    const std::size_t target = NextRandom(state) % kPages;
    text += "<p class=MsoNormal>See <a href=\"" + PageName(target) + "#_Toc" +
            std::to_string(500000000 + target) + "\">heading " +
            std::to_string(target) + "</a>.</p>\r\n";
  }
  if (page % 10 == 0) {
    text +=
        "<p class=MsoNormal><!--[if gte vml 1]><v:shape id=\"_x0000_i1025\" "
        "type=\"#_x0000_t75\" style='width:100pt;height:50pt'><v:imagedata "
        "src=\"Report_files/image001.png\" o:title=\"\"/></v:shape><![endif]"
        "--><![if !vml]><img width=133 height=67 "
        "src=\"Report_files/image002.gif\" v:shapes=\"_x0000_i1025\">"
        "<![endif]></p>\r\n";
  }
  // An "=" every 65 bytes or so and a "(" every 700, as in the word
  // processor's pages.
  const std::string filler =
      "<p class=MsoNormal style='margin-left:36.0pt;text-indent:-18.0pt'>The "
      "tide came in over the flats while the waders fed along its edge.</p>"
      "\r\n";
  const std::string aside =
      "<p class=MsoNormal>(It does so twice a day.)</p>\r\n";
  for (std::size_t n = 0; text.size() < kPageBytes; ++n) {
    text += n % 5 == 4 ? aside : filler;
  }
  return text + "\r\n</body>\r\n</html>\r\n";
}

// The best time of kRounds runs of `work`, in seconds.
template <typename Work>
double Best(Work work) {
  double best = 1e9;
  for (int round = 0; round < kRounds; ++round) {
    const Clock::time_point start = Clock::now();
    work();
    const double spent = SecondsSince(start);
    if (spent < best) best = spent;
  }
  return best;
}

// Times ClassifyReference on each of `references`, read from the site
// folder, and prints the time each took.
void TimeClassifying(const char* what,
                     const std::vector<std::string>& references) {
  std::size_t inSite = 0;
  const double seconds = Best([&] {
    inSite = 0;
    for (const std::string& reference : references) {
      const quillery::ReferenceTarget target =
          quillery::ClassifyReference(reference, "");
      if (target.kind == quillery::ReferenceTarget::Kind::kInSite) ++inSite;
    }
  });
  std::printf(
      "ClassifyReference: %8.3f s  %8.0f ns each  (%zu %s, %zu in the site)\n",
      seconds, seconds * 1e9 / static_cast<double>(references.size()),
      references.size(), what, inSite);
}

}  // namespace

int main() {
  std::uint32_t state = 20261208;
  std::vector<std::string> pages;
  std::size_t totalBytes = 0;
  for (std::size_t page = 0; page < kPages; ++page) {
    pages.push_back(MakePage(page, state));
    totalBytes += pages.back().size();
  }
  const double megabytes = static_cast<double>(totalBytes) / 1e6;
  std::printf("pages: %zu, %zu bytes\n", pages.size(), totalBytes);

  std::size_t found = 0;
  const double findSeconds = Best([&] {
    found = 0;
    for (const std::string& page : pages) {
      found += quillery::FindReferences(page).size();
    }
  });
  std::printf("FindReferences:    %8.3f s  %8.0f MB/s  (%zu references)\n",
              findSeconds, megabytes / findSeconds, found);

  std::size_t views = 0;
  const double eachSeconds = Best([&] {
    views = 0;
    for (const std::string& page : pages) {
      quillery::ForEachReference(page, [&views](std::string_view) { ++views; });
    }
  });
  std::printf("ForEachReference:  %8.3f s  %8.0f MB/s  (%zu references)\n",
              eachSeconds, megabytes / eachSeconds, views);

  // What an output folder learns from each page as it is written: the
  // pages and the stylesheet are written anyway, the pictures are kept.
  quillery::ReferencedFiles referenced("Report.htm", {});
  for (std::size_t page = 0; page < kPages; ++page) {
    referenced.WillBeWritten(PageName(page));
  }
  referenced.WillBeWritten("Report_body.css");
  std::size_t kept = 0;
  const double scanSeconds = Best([&] {
    kept = 0;
    for (std::size_t page = 0; page < kPages; ++page) {
      kept += referenced.Scan(PageName(page), pages[page]).inSite.size();
    }
  });
  std::printf("ReferencedFiles::Scan: %4.3f s  %8.0f MB/s  (%zu kept)\n",
              scanSeconds, megabytes / scanSeconds, kept);

  // The references of the pages (page links, the stylesheet, pictures),
  // then as many fragments alone and links to another site.
  std::vector<std::string> pageReferences;
  for (const std::string& page : pages) {
    for (std::string& reference : quillery::FindReferences(page)) {
      pageReferences.push_back(std::move(reference));
    }
  }
  std::vector<std::string> fragments;
  std::vector<std::string> otherSites;
  for (std::size_t i = 0; i < pageReferences.size(); ++i) {
    fragments.push_back("#_Toc" + std::to_string(500000000 + i % kPages));
    otherSites.push_back("http://example.org/p" + std::to_string(i) + ".gif");
  }
  TimeClassifying("of the pages", pageReferences);
  TimeClassifying("\"#x\" alone", fragments);
  TimeClassifying("\"http:...\"", otherSites);
  return 0;
}
