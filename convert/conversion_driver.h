// The one conversion of a run: read the frames page, its TOC frame page and
// whatever else the run needs, plan every file in memory, then write each
// file once.
#ifndef QUILLERY_CONVERT_CONVERSION_DRIVER_H_
#define QUILLERY_CONVERT_CONVERSION_DRIVER_H_

#include <cstddef>
#include <string>

#include "convert/conversion_plan.h"
#include "convert/conversion_request.h"
#include "convert/file_operations.h"
#include "convert/site_inputs.h"

namespace quillery {

enum class ConversionOutcome {
  kConverted,
  kNoMainFile,  // the path was empty: nothing was read or written
  kNoTocFrame,  // the main file names no TOC frame: nothing was written
  // An earlier run of the site was stopped while it put its files in
  // place; this run finished that instead of converting again.
  kCompletedInterrupted,
};

// What a run tells as it goes; the default tells nothing. The steps come in
// this order: Reading, Planning, Planned, Staged once per file; a run that
// stops early skips the rest.
class ConversionProgress {
 public:
  virtual ~ConversionProgress() = default;
  // The run has its lock and reads what it needs (and, with OUTDIR, makes
  // room for the output).
  virtual void Reading() {}
  // Everything is read; every file is being planned.
  virtual void Planning() {}
  // Every file is planned: `files` will be written, `pages` of them pages.
  virtual void Planned(std::size_t /*files*/, std::size_t /*pages*/) {}
  // One more file, of `bytes` bytes, is staged.
  virtual void Staged(std::size_t /*bytes*/) {}
  // Something the user should know that does not stop the run.
  virtual void Notice(const std::string& /*message*/) {}
  // The conversion is done and in place; `line` names the file to open:
  // "converted in place: open '<main file>'", with OUTDIR
  // "converted into '<output>': open '<output>/<main file's name>'", or,
  // for a frames page the run made, "made a frames page for ...: open ...".
  virtual void Finished(const std::string& /*line*/) {}
};

// Converts the frames page at `mainFilePath` (internal path form), all or
// nothing, through `files` (the real file system by default).
// - With OUTDIR set, the converted site is written into that folder
//   instead, built whole beside it and swapped in, and the main file's folder
//   is left as it is (see output_folder.h); the program's bookkeeping goes
//   into the output folder's parent.
// - One run at a time per site: a run that finds another one working on the
//   main file's folder (or on the output folder's parent) refuses at once.
// - A site converted in place before (WasConvertedInPlace) is refused.
// - What an earlier, stopped run left is finished or removed first
//   (RecoverInterruptedCommit); when it is finished, that is the run.
// - Every input is read and every file planned before anything is written;
//   the files are then staged and committed (StagedSiteWriter).
// Throws FileError when a file cannot be read, holds a zero byte or is no
// regular file, a frame source or an output leads out of the main file's
// folder, a folder stands where a file goes, or a write fails; every file
// is then as it was.
ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionRequest& request);
ConversionOutcome RunConversion(const std::string& mainFilePath,
                                const ConversionRequest& request,
                                FileOperations& files,
                                ConversionProgress& progress);

// Every file the conversion of `site` writes, in order: with LEVELSTOBREAK
// above 0 what ConvertToPages plans, a frames page made by the run (when
// nothing of that re-points it), then the TOC frame page (with bullets
// when TOCBULLETS is set), then the bullet images whose paths nothing else
// of the plan takes. A TOC frame page made by the run, and its bullet
// images, are left out when the main file planned is no frames page that
// shows it. Reads and writes nothing. `site` must name a TOC frame;
// it is taken whole, so that its texts are not copied.
[[nodiscard]] ConversionPlan PlanConversion(SiteInputs site,
                                            const ConversionRequest& request);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_DRIVER_H_
