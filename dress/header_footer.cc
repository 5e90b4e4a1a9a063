// Header and footer blocks; see header_footer.h.
#include "dress/header_footer.h"

#include <string_view>
#include <utility>

namespace quillery {
namespace {

constexpr std::string_view kBreakLine = "\r\n<BR>";
constexpr std::string_view kBlockSeparator = "\r\n<BR>\r\n";

// "\r\n" + text for every placement with `code`, in list order.
std::string DressingBlock(const std::string& text,
                          const std::vector<std::int32_t>& placements,
                          std::int32_t code) {
  std::string block;
  if (text.empty()) return block;
  for (std::int32_t placement : placements) {
    if (placement != code) continue;
    block += "\r\n";
    block += text;
  }
  return block;
}

void AppendBreakLines(std::string& text, int breakLines) {
  for (int line = 0; line < breakLines; ++line) text += kBreakLine;
}

std::size_t BreakLinesSize(int breakLines) {
  return breakLines > 0
             ? static_cast<std::size_t>(breakLines) * kBreakLine.size()
             : 0;
}

}  // namespace

std::string AddHeader(std::string page, const std::string& headerText,
                      int breakLines,
                      const std::vector<std::int32_t>& headerPlacements) {
  std::string dressed =
      DressingBlock(headerText, headerPlacements, kHeaderTextCode);
  if (dressed.empty()) return page;
  dressed.reserve(dressed.size() + BreakLinesSize(breakLines) +
                  kBlockSeparator.size() + page.size());
  AppendBreakLines(dressed, breakLines);
  dressed += kBlockSeparator;
  dressed += page;
  return dressed;
}

std::string AddFooter(std::string page, const std::string& footerText,
                      int breakLines,
                      const std::vector<std::int32_t>& footerPlacements) {
  const std::string block =
      DressingBlock(footerText, footerPlacements, kFooterTextCode);
  if (block.empty()) return page;
  page.reserve(page.size() + kBlockSeparator.size() +
               BreakLinesSize(breakLines) + block.size());
  page += kBlockSeparator;
  AppendBreakLines(page, breakLines);
  page += block;
  return page;
}

std::string AddHeaderAndFooter(
    std::string body, const std::string& headerText,
    const std::string& footerText,
    const std::vector<std::int32_t>& headerPlacements,
    const std::vector<std::int32_t>& footerPlacements) {
  std::string dressed = AddHeader(std::move(body), headerText, /*breakLines=*/1,
                                  headerPlacements);
  return AddFooter(std::move(dressed), footerText, /*breakLines=*/1,
                   footerPlacements);
}

}  // namespace quillery
