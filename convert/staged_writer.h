// The one writer of a conversion, all or nothing. Every file is first
// written into a staging folder inside the main file's folder, under the
// program's bookkeeping folder ".quillery"; then the staged files are made
// durable and recorded, and only then renamed into place: new files first,
// the contents frame page next, the main file last. A failure before the
// last rename is done puts back every file as it was. A kill leaves every
// file either as it was or as the conversion made it; the next run of the
// site finds what was staged and finishes or removes it
// (RecoverInterruptedCommit).
#ifndef QUILLERY_CONVERT_STAGED_WRITER_H_
#define QUILLERY_CONVERT_STAGED_WRITER_H_

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/file_operations.h"
#include "convert/site_paths.h"
#include "convert/site_writer.h"
#include "convert/staging_record.h"

namespace quillery {

// The program's bookkeeping folder in the main file's folder, and the
// staging folder in it.
constexpr std::string_view kBookkeepingFolder = ".quillery";
constexpr std::string_view kStagingFolder = "staging";

// Looks at the bookkeeping folder in `folder`: absent, or a real folder.
// A symbolic link, a file or anything else there is refused (FileError
// naming the way out) and left alone: nothing is ever made, written or
// removed through it. An empty bookkeeping folder is removed. Returns true
// when the folder (still) exists.
bool CheckBookkeepingFolder(FileOperations& files, const std::string& folder);

class StagedSiteWriter : public SiteWriter {
 public:
  // `siteFolder` is the main file's folder; the files at `mainFilePath` and
  // `tocFramePath` (internal paths; they may be one file) are renamed last.
  // Throws FileError when the folder cannot be resolved.
  StagedSiteWriter(FileOperations& files, const std::string& siteFolder,
                   const std::string& mainFilePath,
                   const std::string& tocFramePath);

  // Where `path` really lies: its folder with symbolic links resolved, and
  // its name. Throws FileError when the folder does not exist, lies outside
  // the site, or is on another file system than the staging folder (a
  // rename could not move a file there).
  [[nodiscard]] std::string KeyOf(const std::string& path);

  // Stages the file: refuses a target that is a folder or anything else but
  // a regular file, then writes the bytes under a short staging name, with
  // the permissions of the file it will replace.
  void WriteFile(const std::string& path, std::string bytes) override;

  // Makes the staged files durable, records them, and renames them into
  // place. On a failure puts back every file it replaced, removes what was
  // staged and throws.
  void Commit();

  // Removes what was staged; a no-op once committed. A file problem while
  // removing is passed over: what stays, the next run removes.
  void Discard();

 private:
  struct Entry {
    std::string target;      // the path as planned
    std::string key;         // KeyOf(target)
    std::string stagedName;  // in the staging folder
    RenameRole role = RenameRole::kNewFile;
    PathFacts original;     // the target before the commit
    bool backedUp = false;  // a second name or a copy of the original is
                            // staged
  };

  void MakeStagingFolder();
  std::string StagedPath(const Entry& entry) const;
  std::string BackupPath(const Entry& entry) const;
  void Rollback(std::size_t renamed);

  FileOperations& files_;
  SitePaths paths_;
  std::string siteFolder_;  // real
  std::string bookkeeping_;
  std::string staging_;
  std::uint64_t stagingDevice_ = 0;
  bool madeBookkeeping_ = false;  // this run made the bookkeeping folder
  bool staged_ = false;           // the staging folder exists
  bool committed_ = false;
  std::string mainKey_;
  std::string tocKey_;
  std::size_t newFiles_ = 0;
  std::vector<Entry> entries_;
  std::vector<std::size_t> order_;        // indexes of entries_ in commit order
  std::set<std::string> checkedFolders_;  // on the staging file system
};

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

#endif  // QUILLERY_CONVERT_STAGED_WRITER_H_
