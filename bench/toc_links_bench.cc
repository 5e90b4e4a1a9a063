// Times the contents-link operations on a generated contents page with
// 20,000 entries (or as many as the first argument says).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "split/toc_links.h"

namespace {

template <typename Work>
double Milliseconds(Work work) {
  auto start = std::chrono::steady_clock::now();
  work();
  std::chrono::duration<double, std::milli> spent =
      std::chrono::steady_clock::now() - start;
  return spent.count();
}

std::string ContentsPage(int entries) {
  std::string page = "<html><body lang=EN-GB>\r\n";
  for (int i = 0; i < entries; ++i) {
    page += "<p class=MsoToc" + std::to_string(1 + i % 3) +
            "><span class=MsoHyperlink><a href=\"Report.htm#_Toc" +
            std::to_string(100000 + i) + "\">Heading " + std::to_string(i) +
            "<span style='color:windowtext;display:none'>. </span></a>"
            "</span></p>\r\n";
  }
  return page + "</body></html>\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  int entries = argc > 1 ? std::atoi(argv[1]) : 20000;
  std::string page = ContentsPage(entries);
  std::vector<quillery::TocLink> links;

  double bullets = Milliseconds([&] { page = quillery::AddTocBullets(page); });
  double collect =
      Milliseconds([&] { links = quillery::CollectTocLinks(page); });
  for (std::size_t i = 0; i < links.size(); ++i) {
    links[i].newTarget =
        "Report_p" + std::to_string(i / 3) + ".htm#" + links[i].anchorName;
  }
  double apply =
      Milliseconds([&] { page = quillery::ApplyTocLinks(page, links); });

  std::printf("contents page: %d links, %zu bytes\n", entries, page.size());
  std::printf("AddTocBullets   %8.2f ms\n", bullets);
  std::printf("CollectTocLinks %8.2f ms\n", collect);
  std::printf("ApplyTocLinks   %8.2f ms\n", apply);
  return 0;
}
