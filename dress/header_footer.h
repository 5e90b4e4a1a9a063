// Header and footer blocks above and below a page body. Placement lists (one
// entry per /USEHEADER or /USEFOOTER word) say how often each text goes in:
// every header entry with code kHeaderTextCode adds "\r\n" + header text,
// every footer entry with code kFooterTextCode adds "\r\n" + footer text;
// other codes add nothing.
#ifndef QUILLERY_DRESS_HEADER_FOOTER_H_
#define QUILLERY_DRESS_HEADER_FOOTER_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quillery {

// Placement codes of the header and footer placement lists.
constexpr std::int32_t kHeaderTextCode = 0;
constexpr std::int32_t kFooterTextCode = 1;

// header block + `breakLines` times "\r\n<BR>" + "\r\n<BR>\r\n" + page. The
// page comes back unchanged, without break lines, when the header text is
// empty or no placement has code kHeaderTextCode. A negative count adds no
// break lines.
[[nodiscard]] std::string AddHeader(
    std::string page, const std::string& headerText, int breakLines,
    const std::vector<std::int32_t>& headerPlacements);

// page + "\r\n<BR>\r\n" + `breakLines` times "\r\n<BR>" + footer block; the
// page unchanged when the footer text is empty or no placement has code
// kFooterTextCode.
[[nodiscard]] std::string AddFooter(
    std::string page, const std::string& footerText, int breakLines,
    const std::vector<std::int32_t>& footerPlacements);

// Both, with one break line each, as the contents frame page is dressed:
// AddFooter(AddHeader(body, headerText, 1, ...), footerText, 1, ...).
[[nodiscard]] std::string AddHeaderAndFooter(
    std::string body, const std::string& headerText,
    const std::string& footerText,
    const std::vector<std::int32_t>& headerPlacements,
    const std::vector<std::int32_t>& footerPlacements);

}  // namespace quillery

#endif  // QUILLERY_DRESS_HEADER_FOOTER_H_
