// The one conversion of a run: read the frames page and its TOC frame page,
// put the bullets in, have the document split when asked, and write the TOC
// frame page back.
#ifndef QUILLERY_CONVERT_CONVERSION_DRIVER_H_
#define QUILLERY_CONVERT_CONVERSION_DRIVER_H_

#include <string>

#include "app/settings.h"

namespace quillery {

enum class ConversionOutcome {
  kConverted,
  kNoMainFile,  // the path was empty: nothing was read or written
  kNoTocFrame,  // the main file names no TOC frame: nothing was written
};

// Converts the frames page at `mainFilePath` (internal path form). Throws FileError when a file cannot be read or written,
// holds a zero byte, or a frame source leads out of the main file's folder;
// nothing is then written after the failing step, and every file written
// before it is whole.
ConversionOutcome RunConversion(const std::string& mainFilePath,
                                ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_DRIVER_H_
