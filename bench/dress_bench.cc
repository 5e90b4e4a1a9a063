// Times the page dressing of one large document: cutting the style block out,
// removing the vector copies of pictures and narrowing wide ones, and pouring
// pages into a template with header, footer and contents. Prints one line per
// step.
//
// The document: about 100 MB with 100,000 Word pictures, each a vector block
// followed by its plain image block, widths 200 to 1199 (about 3 in 4 wider
// than the 420 limit), and a 40 kB style block in the head.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_support.h"
#include "dress/compress.h"
#include "dress/graphics_cleanup.h"
#include "dress/head_body_tail.h"
#include "dress/header_footer.h"
#include "dress/stylesheet.h"
#include "dress/template_fill.h"

namespace {

using quillery::bench::NextRandom;
using quillery::bench::SecondsSince;

constexpr std::size_t kPictures = 100000;
constexpr std::size_t kPictureBytes = 880;
constexpr std::size_t kSlices = 10000;

std::string MakeStyleBlock() {
  std::string block =
      "<style>\r\n<!--\r\n /* Font Definitions */\r\n"
      "@font-face\r\n\t{font-family:Verdana;}\r\n /* Style Definitions */\r\n";
  for (int rule = 0; block.size() < 40000; ++rule) {
    block += "p.MsoStyle" + std::to_string(rule) +
             "\r\n\t{margin:0in;\r\n\tfont-size:12.0pt;\r\n"
             "\tfont-family:\"Times New Roman\";}\r\n";
  }
  block += "-->\r\n</style>\r\n";
  return block;
}

std::string MakePicture(std::uint32_t& state, std::size_t number) {
  const std::string width = std::to_string(200 + NextRandom(state) % 1000);
  const std::string height = std::to_string(100 + NextRandom(state) % 800);
  const std::string id = std::to_string(1025 + number);
  return "<p class=MsoNormal><!--[if gte vml 1]><v:shape id=\"_x0000_i" + id +
         "\" type=\"#_x0000_t75\" style='width:" + width +
         "pt;height:" + height +
         "pt'>\r\n <v:imagedata src=\"Report_files/image" + id +
         ".png\" o:title=\"\"/>\r\n</v:shape><![endif]--><![if !vml]><img "
         "width=" +
         width + " height=" + height + "\r\nsrc=\"Report_files/image" + id +
         ".jpg\" v:shapes=\"_x0000_i" + id + "\"><![endif]></p>\r\n";
}

std::string MakePage() {
  std::uint32_t state = 12345;
  const std::string filler =
      "<p class=MsoNormal>Lorem ipsum dolor sit amet, consectetur adipiscing "
      "elit, sed do eiusmod tempor incididunt ut labore et dolore.</p>\r\n";
  std::string page = "<html>\r\n<head>\r\n<title>Report</title>\r\n" +
                     MakeStyleBlock() + "</head>\r\n<body lang=EN-US>\r\n";
  page.reserve(kPictures * (kPictureBytes + 200));
  for (std::size_t picture = 0; picture < kPictures; ++picture) {
    const std::size_t sectionStart = page.size();
    page += MakePicture(state, picture);
    while (page.size() - sectionStart < kPictureBytes) page += filler;
  }
  page += "</body>\r\n</html>\r\n";
  return page;
}

std::size_t Count(const std::string& text, const std::string& needle) {
  std::size_t count = 0;
  for (std::size_t at = text.find(needle); at != std::string::npos;
       at = text.find(needle, at + needle.size())) {
    ++count;
  }
  return count;
}

}  // namespace

int main() {
  using Clock = std::chrono::steady_clock;
  const std::string page = MakePage();
  std::printf("page: %zu bytes, %zu pictures\n", page.size(), kPictures);

  Clock::time_point start = Clock::now();
  quillery::StylesheetCut cut = quillery::ExtractStylesheet(page, "Report.css");
  std::printf("ExtractStylesheet:       %8.3f s  (%zu bytes of rules)\n",
              SecondsSince(start), cut.stylesheet.size());
  const std::string withoutStyles = std::move(cut.page);

  start = Clock::now();
  const quillery::PageParts parts = quillery::SplitPageParts(withoutStyles);
  std::printf("SplitPageParts:          %8.3f s  (body %zu bytes)\n",
              SecondsSince(start), parts.body.size());

  std::string copy = parts.body;
  start = Clock::now();
  const std::string cleaned =
      quillery::CleanGraphics(std::move(copy), 420, /*keepProportions=*/true);
  std::printf("CleanGraphics:           %8.3f s  (%zu bytes, %zu narrowed)\n",
              SecondsSince(start), cleaned.size(),
              Count(cleaned, "width=420 "));

  quillery::DressingOptions options;
  options.limitImageWidth = true;
  options.headerPlacements = {quillery::kHeaderTextCode};
  options.footerPlacements = {quillery::kFooterTextCode};
  quillery::DressingTexts texts;
  texts.templateText = quillery::PutWordNamespaces(
      "<html>\r\n<head>\r\n<title>Report</title>\r\n</head>\r\n<body>\r\n"
      "<div class=toc>[WORDTOC]</div>\r\n<div class=main>[QUILLERY]</div>\r\n"
      "</body>\r\n</html>\r\n");
  texts.headerText = "<div class=top>Report</div>";
  texts.footerText = "<div class=end><a href=\"#top\">Top</a></div>";
  std::string contents;
  for (std::size_t entry = 0; entry < 200; ++entry) {
    contents += "<p class=MsoToc1><a href=\"Report_p" + std::to_string(entry) +
                ".htm#_Toc" + std::to_string(100000 + entry) + "\">Heading " +
                std::to_string(entry) + "</a></p>\r\n";
  }
  const std::string linkBlock = quillery::StylesheetLinkBlock("Report.css");

  start = Clock::now();
  std::string whole =
      quillery::FillTemplate(parts.body, texts, contents, options);
  std::printf("FillTemplate, one page:  %8.3f s  (%zu bytes)\n",
              SecondsSince(start), whole.size());

  // As the splitter does it: one finished page per slice, the stylesheet link
  // put before the head end tag of each.
  const std::size_t sliceBytes = parts.body.size() / kSlices;
  std::size_t pageBytes = 0;
  start = Clock::now();
  for (std::size_t slice = 0; slice < kSlices; ++slice) {
    std::string pageText = quillery::FillTemplate(
        parts.body.substr(slice * sliceBytes, sliceBytes), texts, contents,
        options);
    const std::size_t headClose = quillery::FindHeadClose(pageText);
    if (headClose != std::string::npos) pageText.insert(headClose, linkBlock);
    pageBytes += pageText.size();
  }
  std::printf("FillTemplate, by slice:  %8.3f s  (%zu pages, %zu bytes)\n",
              SecondsSince(start), kSlices, pageBytes);

  // The search index's compression, on the page's body as it is (long
  // repeats), on one byte over and over (every chain full of equal
  // positions) and on random letters (short matches everywhere).
  std::uint32_t state = 54321;
  std::string letters(parts.body.size() / 4, 'a');
  for (char& c : letters)
    c = static_cast<char>('a' + (NextRandom(state) >> 16) % 8);
  const std::pair<const char*, std::string> inputs[] = {
      {"body", parts.body},
      {"one byte", std::string(parts.body.size(), 'x')},
      {"random letters", letters}};
  for (const auto& [name, input] : inputs) {
    start = Clock::now();
    const std::string deflated = quillery::Deflate(input);
    std::printf("Deflate, %-15s %8.3f s  (%zu bytes to %zu)\n", name,
                SecondsSince(start), input.size(), deflated.size());
  }
  return 0;
}
