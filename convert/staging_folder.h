// The program's bookkeeping folder ".quillery" in the site folder, and the
// staging folder in it, as the writer of a conversion in place lays them
// out and the next run of the site finds them (interrupted_commit.h):
// - each staged file under a short name (StagedName);
// - "_originals", second names (hard links) or copies of the files the
//   commit replaces, so that a failure can put them back;
// - once everything staged is durable, the record "record"
//   (staging_record.h). The record appears by a rename, so a record that
//   exists is whole.
#ifndef QUILLERY_CONVERT_STAGING_FOLDER_H_
#define QUILLERY_CONVERT_STAGING_FOLDER_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "convert/file_operations.h"
#include "convert/staging_record.h"

namespace quillery {

// The program's bookkeeping folder in the main file's folder, and the
// staging folder in it.
constexpr std::string_view kBookkeepingFolder = ".quillery";
constexpr std::string_view kStagingFolder = "staging";
constexpr std::string_view kRecord = "record";
constexpr std::string_view kRecordPart = "record.part";
// Staged names are letters and digits only, so this name is free.
constexpr std::string_view kBackups = "_originals";

// `folder` + "\" + `name`.
[[nodiscard]] std::string Below(const std::string& folder,
                                std::string_view name);

// True for the names our writer puts into the staging folder.
[[nodiscard]] bool IsOurStagingName(std::string_view name);

// Looks at the bookkeeping folder in `folder`: absent, or a real folder.
// A symbolic link, a file or anything else there is refused (FileError
// naming the way out) and left alone: nothing is ever made, written or
// removed through it. An empty bookkeeping folder is removed. Returns true
// when the folder (still) exists.
bool CheckBookkeepingFolder(FileOperations& files, const std::string& folder);

// Removes the names our writer makes in the staging folder (a link itself,
// never what it points to), the record last, then the staging folder and
// the bookkeeping folder when nothing else is in them. Best effort: what
// cannot be removed stays for the next run, which finishes a commit whose
// record is still there, and removes the rest.
void RemoveStaging(FileOperations& files, const std::string& bookkeeping,
                   const std::string& staging);

// One rename of a commit: a staged file to its place in the site.
struct StagedRename {
  std::string staged;
  std::string target;
  RenameRole role = RenameRole::kNewFile;
  // Nothing stood at the target when the file was staged: the rename
  // refuses to replace what may have come there since (RenameNewFile), so
  // that a file the user made meanwhile is never lost.
  bool ontoFreeName = false;
};

// Renames in commit order, making each group durable before the next: the
// new files, then the contents frame page, then the main file. The renames
// of one group are made on as many threads as the file system takes writes
// at once, so they may end in any order: `done` (one flag for each rename,
// all clear at first) tells which were made, also when one fails. Once a
// rename fails no other is begun, and the next group is not reached.
void RenameInOrder(FileOperations& files,
                   const std::vector<StagedRename>& renames,
                   std::vector<char>& done);

// The folders a record made now for `site` and `stagingInode` names.
[[nodiscard]] RecordBinding BindingOf(FileOperations& files,
                                      const std::string& site,
                                      std::uint64_t stagingInode);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_STAGING_FOLDER_H_
