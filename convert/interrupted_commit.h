// What an earlier run of a site left in its staging folder
// (staging_folder.h), found by the next run and finished or removed before
// anything else is done.
#ifndef QUILLERY_CONVERT_INTERRUPTED_COMMIT_H_
#define QUILLERY_CONVERT_INTERRUPTED_COMMIT_H_

#include <string>

#include "convert/file_operations.h"

namespace quillery {

enum class Recovery {
  kNothingLeft,  // no staging folder: nothing to do
  kDiscarded,    // an unfinished, outdated or unusable staging folder was
                 // removed
  kCompleted,    // a recorded commit was finished
};

// Looks for a staging folder that an earlier run of the site left behind.
// What it holds may come from someone else (a downloaded site can carry
// one), so nothing in it is trusted until checked:
// - the bookkeeping folder is checked first (CheckBookkeepingFolder);
// - a name in the staging folder that our writer does not make, or a folder
//   where a file should be, is refused (FileError naming the way out);
// - not recorded complete: removed;
// - recorded complete, the record made for this very site and staging
//   folder (ParseRecord), every staged file still to rename a regular file
//   with one name, every target folder inside the site with no link on the
//   way, and every target still as recorded: the renames are finished;
// - a target changed since (the user has restored or edited files): removed,
//   the site left as it is;
// - any other fault of the record or the staged files: removed unapplied,
//   and `notice` (when given) says so and why.
// Removing never follows a link: a link is removed itself.
[[nodiscard]] Recovery RecoverInterruptedCommit(FileOperations& files,
                                                const std::string& siteFolder,
                                                std::string* notice = nullptr);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_INTERRUPTED_COMMIT_H_
