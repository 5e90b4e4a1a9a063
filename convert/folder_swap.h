// Putting a new output folder in place of an earlier one where the system
// cannot exchange two folders in one step: two renames, the earlier output
// first moved under the bookkeeping folder, then the new one into its
// place. A record, durable before the first rename, tells the next run into
// that folder's parent how far the swap came, so that a kill between the
// renames is finished by it:
//
//   <parent>\.quillery\swap      the record (SwapRecord, staging_record.h)
//   <parent>\.quillery\previous  the earlier output, once moved aside
//   <parent>\.quillery\build     the new output, until it is moved in
#ifndef QUILLERY_CONVERT_FOLDER_SWAP_H_
#define QUILLERY_CONVERT_FOLDER_SWAP_H_

#include <string>
#include <string_view>

#include "convert/file_operations.h"

namespace quillery {

constexpr std::string_view kBuildFolder = "build";
constexpr std::string_view kSwapRecord = "swap";
constexpr std::string_view kSwapRecordPart = "swap.part";
constexpr std::string_view kPreviousOutput = "previous";

// The folders of a swap, real paths: `target` is `parent` + "\" + the
// output's name, `bookkeeping` the bookkeeping folder in `parent`, and
// `build` the new output in it.
struct SwapFolders {
  std::string parent;
  std::string bookkeeping;
  std::string build;
  std::string target;
};

// Records the swap, makes the record durable, and moves the earlier output
// at `target` aside and the build in. The renames are not yet durable: the
// caller syncs both folders (SyncSwappedFolders). A failure takes back what
// was done and throws; what cannot be taken back stays recorded, and the
// next run finishes it.
void SwapByRenames(FileOperations& files, const SwapFolders& folders);

// Makes the renames of a swap durable: the parent and the bookkeeping folder.
void SyncSwappedFolders(FileOperations& files, const SwapFolders& folders);

// Takes a swap back before it was made durable: the new output returns to
// the build folder, the earlier one to `target`, and the record goes.
void SwapBackByRenames(FileOperations& files, const SwapFolders& folders);

// After a durable swap: removes the earlier output, then the record.
void RemovePreviousOutput(FileOperations& files, const SwapFolders& folders);

// Finishes what a killed swap left in the bookkeeping folder of `parent`
// (which must be a real folder, CheckBookkeepingFolder): a record cut short
// is removed; with a whole record, the output moved aside and not yet
// replaced is replaced by the build, or put back when the build is gone,
// and the earlier output and the record are removed. The record is acted
// on only when it was written for this very parent and the folders it
// names are the very folders it was written for (by device and inode),
// each a folder, no link; otherwise it is refused (FileError naming the
// way out) and nothing is changed. Without a record, what stands at
// "previous" is removed, a link itself, never what it points to.
void FinishInterruptedSwap(FileOperations& files, const std::string& parent);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_FOLDER_SWAP_H_
