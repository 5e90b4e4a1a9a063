// Runs the whole conversion plan in memory on a site made from the fuzz
// bytes: the frames page, the contents frame page, the content page and the
// template, separated by zero bytes (which no text may hold), then a few
// option bytes. Every planned file must be written exactly once. Built with
// clang and -DQUILLERY_FUZZ=ON; run as `build-fuzz/conversion_plan_fuzzer`.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/conversion_driver.h"
#include "convert/conversion_plan.h"
#include "convert/conversion_request.h"
#include "convert/site_inputs.h"
#include "dress/contents_builder.h"
#include "dress/header_footer.h"
#include "split/frame_source.h"
#include "text/site_path.h"

namespace {

// Keeps what is written and stops at a path written twice.
class MemoryWriter : public quillery::SiteWriter {
 public:
  void WriteFile(std::size_t /*place*/, const std::string& path,
                 std::string_view bytes) override {
    if (!paths_.insert(quillery::SitePath(path).Key()).second) std::abort();
    written_ += bytes.size();
  }

 private:
  std::set<std::string> paths_;
  std::size_t written_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  using namespace quillery;
  std::vector<std::string> parts(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0 && parts.size() < 5) {
      parts.emplace_back();
    } else {
      parts.back() += static_cast<char>(data[i]);
    }
  }
  parts.resize(5);
  const std::string& options = parts[4];
  auto option = [&options](std::size_t i) {
    return i < options.size() ? static_cast<unsigned char>(options[i]) : 0u;
  };

  ConversionRequest request("\\program");
  request.LEVELSTOBREAK = static_cast<std::int32_t>(option(0) % 11) - 1;
  request.TOCBULLETS = option(1) & 1;
  request.USINGTEMPLATE = (option(1) >> 1) & 1;
  request.TEMPLATETOCFORMAT = static_cast<std::int32_t>(option(2) % 3);
  request.USEMAXWIDTH = (option(1) >> 2) & 1;
  request.MAXWIDTH = static_cast<std::int32_t>(option(3)) * 4;
  request.RP = (option(1) >> 3) & 1;
  for (unsigned i = 0; i < option(4) % 3; ++i) {
    request.headerPlacements.push_back(kHeaderTextCode);
    request.footerPlacements.push_back(kFooterTextCode);
  }

  SiteInputs site;
  site.mainFilePath = "\\site\\main.htm";
  site.framesText = parts[0];
  site.tocSource = FindFrameSource(site.framesText, "TOC");
  if (!site.tocSource) site.tocSource = "toc.htm";
  site.tocFramePath = "\\site\\" + *site.tocSource;
  site.tocFrameText = parts[1];
  // Some inputs are plain documents given a frames page of their own.
  const bool built = request.LEVELSTOBREAK > 0 && (option(4) & 4) != 0;
  if (built) {
    BuiltFrames frames = BuildContentsFrame(parts[2], "doc.htm", "doc_toc.htm",
                                            request.LEVELSTOBREAK);
    site.builtFrom = "\\site\\doc.htm";
    site.mainFilePath = "\\site\\doc_frames.htm";
    site.framesText = frames.framesPage;
    site.tocSource = "doc_toc.htm";
    site.tocFramePath = "\\site\\doc_toc.htm";
    site.tocFrameText = frames.contentsPage;
    site.contentSource = "doc.htm";
    site.contentText = SharedText(frames.document);
  }
  if (request.LEVELSTOBREAK > 0) {
    if (!built) {
      site.contentSource = FindFrameSource(site.framesText, "Frame1");
      site.contentText = SharedText(parts[2]);
    }
    site.dressing.headerText =
        "<p>header [DOCTITLE] <a href=\"#_Toc1\">1</a></p>[PAGENAV]";
    site.dressing.footerText = "<p>footer</p>";
    if (request.USINGTEMPLATE != 0) site.dressing.templateText = parts[3];
  }
  if (request.TOCBULLETS != 0) {
    site.bulletImages.push_back({"\\site\\bullet10001.gif", "GIF"});
  }

  const ConversionPlan plan = PlanConversion(std::move(site), request);
  MemoryWriter writer;
  plan.WriteTo(writer);
  return 0;
}
