// Swapping output folders by two recorded renames; see folder_swap.h.
#include "convert/folder_swap.h"

#include <cstdint>
#include <optional>

#include "convert/staging_folder.h"
#include "convert/staging_record.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Removes what stands at `path` under the bookkeeping folder: a folder with
// all below it, anything else (a link too) by its name.
void RemoveLeftover(FileOperations& files, const std::string& path) {
  const PathFacts facts = files.LookAt(path);
  if (facts.isFolder) {
    RemoveFolderTree(files, path);
  } else if (facts.exists) {
    files.RemoveFile(path);
  }
}

[[noreturn]] void RefuseRecord(const std::string& parent,
                               const std::string& record,
                               std::string_view why) {
  throw FileError("refusing to work in '" + ShownPath(parent) + "': '" +
                  ShownPath(record) + "' " + std::string(why) +
                  "; remove it and run again");
}

}  // namespace

void SwapByRenames(FileOperations& files, const SwapFolders& folders) {
  const std::string record = Below(folders.bookkeeping, kSwapRecord);
  const std::string part = Below(folders.bookkeeping, kSwapRecordPart);
  const std::string previous = Below(folders.bookkeeping, kPreviousOutput);
  const PathFacts parent = files.LookAt(folders.parent);
  SwapRecord entry;
  entry.parentDevice = parent.device;
  entry.parentInode = parent.inode;
  entry.newInode = files.LookAt(folders.build).inode;
  entry.earlierInode = files.LookAt(folders.target).inode;
  entry.name = SitePath(folders.target).Name();
  // The record appears by a rename, so a record that exists is whole; it is
  // durable before anything is moved.
  try {
    files.WriteNewFile(part, FormatSwapRecord(entry), files.NewFileMode());
    files.SyncFileSystem(folders.bookkeeping);
    files.RenameFile(part, record);
    files.SyncFolder(folders.bookkeeping);
    files.RenameFile(folders.target, previous);
  } catch (const FileError&) {
    try {
      RemoveLeftover(files, part);
      RemoveLeftover(files, record);
    } catch (const FileError&) {
      // Nothing was moved: the next run removes the record.
    }
    throw;
  }
  try {
    files.RenameFile(folders.build, folders.target);
  } catch (const FileError&) {
    try {
      files.RenameFile(previous, folders.target);
      files.RemoveFile(record);
    } catch (const FileError&) {
      // The record stays, and the next run into this place finishes the
      // swap.
    }
    throw;
  }
}

void SyncSwappedFolders(FileOperations& files, const SwapFolders& folders) {
  files.SyncFolder(folders.parent);
  files.SyncFolder(folders.bookkeeping);
}

void SwapBackByRenames(FileOperations& files, const SwapFolders& folders) {
  files.RenameFile(folders.target, folders.build);
  files.RenameFile(Below(folders.bookkeeping, kPreviousOutput), folders.target);
  SyncSwappedFolders(files, folders);
  files.RemoveFile(Below(folders.bookkeeping, kSwapRecord));
}

void RemovePreviousOutput(FileOperations& files, const SwapFolders& folders) {
  RemoveLeftover(files, Below(folders.bookkeeping, kPreviousOutput));
  files.RemoveFile(Below(folders.bookkeeping, kSwapRecord));
}

void FinishInterruptedSwap(FileOperations& files, const std::string& parent) {
  SwapFolders folders;
  folders.parent = parent;
  folders.bookkeeping = Below(parent, kBookkeepingFolder);
  folders.build = Below(folders.bookkeeping, kBuildFolder);
  const std::string record = Below(folders.bookkeeping, kSwapRecord);
  const std::string part = Below(folders.bookkeeping, kSwapRecordPart);
  const std::string previous = Below(folders.bookkeeping, kPreviousOutput);
  // A record cut short was never followed by a rename.
  RemoveLeftover(files, part);
  const PathFacts recordFacts = files.LookAt(record);
  if (!recordFacts.exists) {
    RemoveLeftover(files, previous);
    return;
  }
  if (!recordFacts.isRegular || recordFacts.size > kMaxSwapRecord) {
    RefuseRecord(parent, record, "was not put there by quillery");
  }
  const std::optional<SwapRecord> entry =
      ParseSwapRecord(files.ReadFile(record, kMaxSwapRecord));
  const PathFacts parentFacts = files.LookAt(parent);
  if (!entry || entry->name == kBookkeepingFolder ||
      entry->parentDevice != parentFacts.device ||
      entry->parentInode != parentFacts.inode ||
      entry->newInode == entry->earlierInode) {
    RefuseRecord(parent, record, "was not written there by quillery");
  }
  folders.target = Below(parent, entry->name);
  // A folder of the record where it is looked for: the very folder, never a
  // link or another folder put in its place.
  auto isThe = [&parentFacts](const PathFacts& facts, std::uint64_t inode) {
    return facts.isFolder && facts.device == parentFacts.device &&
           facts.inode == inode;
  };
  PathFacts target = files.LookAt(folders.target);
  PathFacts aside = files.LookAt(previous);
  const PathFacts build = files.LookAt(folders.build);
  if (!target.exists && isThe(aside, entry->earlierInode)) {
    // Killed between the renames: the new output goes in; when it is gone
    // already, the earlier one goes back.
    if (isThe(build, entry->newInode)) {
      files.RenameFile(folders.build, folders.target);
    } else if (!build.exists) {
      files.RenameFile(previous, folders.target);
    } else {
      RefuseRecord(parent, record, "does not match the folders it names");
    }
    SyncSwappedFolders(files, folders);
    target = files.LookAt(folders.target);
    aside = files.LookAt(previous);
  }
  if (isThe(target, entry->newInode) &&
      (!aside.exists || isThe(aside, entry->earlierInode))) {
    RemovePreviousOutput(files, folders);
    return;
  }
  if (isThe(target, entry->earlierInode) && !aside.exists) {
    // Nothing was moved, or all was taken back; the build stays for the
    // caller to remove.
    files.RemoveFile(record);
    return;
  }
  RefuseRecord(parent, record, "does not match the folders it names");
}

}  // namespace quillery
