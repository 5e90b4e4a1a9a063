// Writes a large frames site in the word processor's layout for the
// conversion benchmark: a frames page, a contents page and one content page.
//
//   generate_site <folder> [megabytes=100] [headings=10000] [inPageLinks=50000]
//
// Every heading gets a "_Toc" anchor and a contents link; the in-page links
// point at headings spread over the whole document.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

void Write(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "generate_site: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

std::string Anchor(long heading) {
  return "_Toc" + std::to_string(500000000 + heading);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr,
                 "usage: generate_site <folder> [megabytes] [headings] "
                 "[inPageLinks]\n");
    return 2;
  }
  const std::string folder = argv[1];
  const long megabytes = argc > 2 ? std::atol(argv[2]) : 100;
  const long headings = argc > 3 ? std::atol(argv[3]) : 10000;
  const long links = argc > 4 ? std::atol(argv[4]) : 50000;

  Write(folder + "/Report.htm",
        "<html>\r\n<frameset cols=\"245,*\">\r\n"
        "<frame name=TOC src=\"Report_toc.htm\">\r\n"
        "<frame name=Frame1 src=\"Report_body.htm\">\r\n</frameset>\r\n"
        "</html>\r\n");

  std::string toc = "<html><body lang=EN-GB>\r\n";
  for (long h = 0; h < headings; ++h) {
    toc += "<p class=MsoToc" + std::to_string(1 + h % 3) +
           "><span class=MsoHyperlink><a href=\"Report_body.htm#" + Anchor(h) +
           "\">Heading " + std::to_string(h) + "</a></span></p>\r\n";
  }
  Write(folder + "/Report_toc.htm", toc + "</body></html>\r\n");

  std::string body =
      "<html>\r\n<head>\r\n<meta http-equiv=Content-Type content=\"text/html; "
      "charset=windows-1252\">\r\n<style>\r\n<!--\r\n /* Font Definitions "
      "*/\r\np.MsoNormal {margin:0cm; font-size:11.0pt;}\r\n-->\r\n</style>\r\n"
      "</head>\r\n<body lang=EN-GB>\r\n<div class=Section1>\r\n";
  const std::size_t target = static_cast<std::size_t>(megabytes) << 20;
  body.reserve(target + (1 << 20));
  const std::size_t perHeading = target / static_cast<std::size_t>(headings);
  const long linksPerHeading = links / headings;
  const std::string filler =
      "<p class=MsoNormal>The tide came in over the flats while the waders "
      "fed along its edge, moving up the beach a step at a time.</p>\r\n";
  for (long h = 0; h < headings; ++h) {
    const std::size_t sectionEnd = body.size() + perHeading;
    body += "<h" + std::to_string(1 + h % 3) + "><a name=\"" + Anchor(h) +
            "\">Heading " + std::to_string(h) + "</a></h" +
            std::to_string(1 + h % 3) + ">\r\n";
    for (long l = 0; l < linksPerHeading; ++l) {
      long to = (h * 7919 + l * 104729) % headings;
      body += "<p class=MsoNormal>See <a href=\"#" + Anchor(to) +
              "\">heading " + std::to_string(to) + "</a>.</p>\r\n";
    }
    while (body.size() < sectionEnd) body += filler;
  }
  Write(folder + "/Report_body.htm", body + "</div>\r\n</body>\r\n</html>\r\n");
  return 0;
}
