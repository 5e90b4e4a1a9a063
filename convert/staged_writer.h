// The commit of a conversion in place, all or nothing. Every file is first
// written into a staging folder inside the main file's folder, under the
// program's bookkeeping folder ".quillery"; then the staged files are made
// durable and recorded, and only then renamed into place: new files first,
// the contents frame page next, the main file last. A failure before the
// last rename is done puts back every file as it was. A kill leaves every
// file either as it was or as the conversion made it; the next run of the
// site finds what was staged and finishes or removes it
// (RecoverInterruptedCommit). The folders it uses: staging_folder.h.
#ifndef QUILLERY_CONVERT_STAGED_WRITER_H_
#define QUILLERY_CONVERT_STAGED_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "convert/file_operations.h"
#include "convert/site_commit.h"
#include "convert/site_paths.h"
#include "convert/staging_record.h"

namespace quillery {

class StagedSiteWriter : public SiteCommit {
 public:
  // `siteFolder` is the main file's folder; the files at `mainFilePath` and
  // `tocFramePath` (internal paths; they may be one file) are renamed last.
  // Throws FileError when the folder cannot be resolved.
  StagedSiteWriter(FileOperations& files, const std::string& siteFolder,
                   const std::string& mainFilePath,
                   const std::string& tocFramePath);
  // Removes what was staged unless committed.
  ~StagedSiteWriter() override;
  StagedSiteWriter(const StagedSiteWriter&) = delete;
  StagedSiteWriter& operator=(const StagedSiteWriter&) = delete;

  // Stages the file: refuses a target that is a folder or anything else but
  // a regular file, then writes the bytes under a short staging name, with
  // the permissions of the file it will replace. Takes files from several
  // threads at once; the commit keeps the order of their places.
  void WriteFile(std::size_t place, const std::string& path,
                 std::string_view bytes) override;

  // Makes the staged files durable, records them, and renames them into
  // place. On a failure puts back every file it replaced and throws; what
  // was staged is removed when the writer goes.
  void Commit() override;

 private:
  // Where `path` really lies: its folder with symbolic links resolved, and
  // its name. Throws FileError when the folder does not exist, lies outside
  // the site, or is on another file system than the staging folder (a
  // rename could not move a file there).
  [[nodiscard]] std::string Resolve(const std::string& path) override;

  struct Entry {
    std::size_t place = 0;   // in the list written
    std::string target;      // the path as planned
    std::string key;         // KeyOf(target)
    std::string stagedName;  // in the staging folder
    RenameRole role = RenameRole::kNewFile;
    PathFacts original;     // the target before the commit
    bool backedUp = false;  // a second name or a copy of the original is
                            // staged
  };

  void MakeStagingFolder();
  // Second names of the files to be replaced, to put them back after a
  // failure; on a file system without hard links, copies of them.
  void BackUpOriginals();
  // Records the renames to do, once everything staged is durable.
  void WriteRecord();
  void Discard();
  std::string StagedPath(const Entry& entry) const;
  std::string BackupPath(const Entry& entry) const;
  // Puts back what the renames flagged in `done` (by place in the commit
  // order) replaced or made.
  void Rollback(const std::vector<char>& done);

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
  std::mutex mutex_;  // for the staging folder's making and entries_
  std::vector<Entry> entries_;  // in the order staged until the commit
  std::vector<std::size_t> order_;        // indexes of entries_ in commit order
  std::set<std::string> checkedFolders_;  // on the staging file system
  // The keys whose folder, listed once while the paths are resolved, held
  // their names: only these are looked at when staged.
  std::unordered_set<std::string> mayExist_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_STAGED_WRITER_H_
