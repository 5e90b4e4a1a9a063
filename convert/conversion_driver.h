// The one conversion of a run: read the frames page, its TOC frame page and
// whatever else the run needs, plan every file in memory, then write each
// file once.
#ifndef QUILLERY_CONVERT_CONVERSION_DRIVER_H_
#define QUILLERY_CONVERT_CONVERSION_DRIVER_H_

#include <string>

#include "app/settings.h"
#include "convert/conversion_plan.h"
#include "convert/site_inputs.h"

namespace quillery {

enum class ConversionOutcome {
  kConverted,
  kNoMainFile,  // the path was empty: nothing was read or written
  kNoTocFrame,  // the main file names no TOC frame: nothing was written
};

// Converts the frames page at `mainFilePath` (internal path form). Every
// input is read before the first file is written, so a file that cannot be
// read, holds a zero byte or is no regular file, a frame source that leads
// out of the main file's folder, and an output folder that is missing or
// lies outside it all throw FileError with nothing written. A write that
// fails throws FileError too; files written before it stay, each whole.
ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionSettings& settings);

// Every file the conversion of `site` writes, in order: with LEVELSTOBREAK
// above 0 what ConvertToPages plans, then the TOC frame page (with bullets
// when TOCBULLETS is set), then the bullet images whose paths nothing else
// of the plan takes. Reads and writes nothing. `site` must name a TOC frame;
// it is taken whole, so that its texts are not copied.
[[nodiscard]] ConversionPlan PlanConversion(SiteInputs site,
                                            const ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_DRIVER_H_
