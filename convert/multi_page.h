// The conversion of a document that is to be split into pages.
#ifndef QUILLERY_CONVERT_MULTI_PAGE_H_
#define QUILLERY_CONVERT_MULTI_PAGE_H_

#include <string>

#include "app/settings.h"

namespace quillery {

// Splits the content page of the frames page into pages, dresses the TOC
// frame text (changed in place; the caller writes it) and decides what
// becomes of the main file.
void ConvertToPages(const std::string& mainFilePath,
                    const std::string& framesText, std::string& tocFrameText,
                    ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_MULTI_PAGE_H_
