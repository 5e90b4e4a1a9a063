// The bookkeeping and staging folders; see staging_folder.h.
#include "convert/staging_folder.h"

#include <set>

#include "convert/writing_threads.h"
#include "text/site_path.h"

namespace quillery {

std::string Below(const std::string& folder, std::string_view name) {
  return folder + "\\" + std::string(name);
}

bool IsOurStagingName(std::string_view name) {
  return IsStagedName(name) || name == kRecord || name == kRecordPart ||
         name == kBackups;
}

bool CheckBookkeepingFolder(FileOperations& files, const std::string& folder) {
  const std::string bookkeeping = Below(folder, kBookkeepingFolder);
  const PathFacts facts = files.LookAt(bookkeeping);
  if (!facts.exists) return false;
  if (!facts.isFolder) {
    const std::string what = facts.isLink      ? "a symbolic link"
                             : facts.isRegular ? "a file"
                                               : "no folder";
    throw FileError("refusing to work in '" + ShownPath(folder) + "': '" +
                    ShownPath(bookkeeping) + "' is " + what +
                    ", not quillery's own folder; remove it and run again");
  }
  if (!files.FolderEntries(bookkeeping).empty()) return true;
  files.RemoveFolder(bookkeeping);
  return false;
}

void RemoveStaging(FileOperations& files, const std::string& bookkeeping,
                   const std::string& staging) {
  try {
    const std::string backups = Below(staging, kBackups);
    const PathFacts backupFacts = files.LookAt(backups);
    if (backupFacts.isFolder) {
      for (const std::string& name : files.FolderEntries(backups)) {
        if (IsStagedName(name)) files.RemoveFile(Below(backups, name));
      }
      files.RemoveFolder(backups);
    } else if (backupFacts.exists) {
      files.RemoveFile(backups);
    }
    bool recorded = false;
    for (const std::string& name : files.FolderEntries(staging)) {
      if (name == kRecord) {
        recorded = true;
      } else if (IsStagedName(name) || name == kRecordPart) {
        files.RemoveFile(Below(staging, name));
      }
    }
    if (recorded) files.RemoveFile(Below(staging, kRecord));
    files.RemoveFolder(staging);
    if (files.FolderEntries(bookkeeping).empty()) {
      files.RemoveFolder(bookkeeping);
    }
  } catch (const FileError&) {
    // Nothing is lost: what stays is our own staging, which the next run
    // of the site finishes or removes.
  }
}

void RenameInOrder(FileOperations& files,
                   const std::vector<StagedRename>& renames,
                   std::vector<char>& done) {
  std::size_t begin = 0;
  while (begin < renames.size()) {
    std::size_t end = begin + 1;
    while (end < renames.size() && renames[end].role == renames[begin].role) {
      ++end;
    }
    // Each thread sets only the flags of the renames it made.
    ForEachPlace(end - begin, files.WritesAtOnce(), [&](std::size_t i) {
      const StagedRename& rename = renames[begin + i];
      if (rename.ontoFreeName) {
        files.RenameNewFile(rename.staged, rename.target);
      } else {
        files.RenameFile(rename.staged, rename.target);
      }
      done[begin + i] = 1;
    });
    std::set<std::string> folders;
    for (std::size_t i = begin; i < end; ++i) {
      folders.insert(SitePath(renames[i].target).Folder().text());
    }
    for (const std::string& folder : folders) files.SyncFolder(folder);
    begin = end;
  }
}

RecordBinding BindingOf(FileOperations& files, const std::string& site,
                        std::uint64_t stagingInode) {
  const PathFacts siteFacts = files.LookAt(site);
  RecordBinding binding;
  binding.siteDevice = siteFacts.device;
  binding.siteInode = siteFacts.inode;
  binding.stagingInode = stagingInode;
  return binding;
}

}  // namespace quillery
