// The record of a commit in progress: which staged file goes where, in
// commit order. The writer puts it into the staging folder once everything
// staged is durable; a later run of the site that finds it finishes the
// renames. A record can also come from someone else (a downloaded site may
// carry one), so it is applied only when every line is one our writer makes
// and it names the very folders it was written in.
//
//   quillery staging record 2 <site device> <site inode> <staging inode>
//   <role> <staged name> <target existed 0/1> <size> <mtime ns> <target>
//
// Role "n" for a new file, "t" for the contents frame page, "m" for the main
// file; the target is relative to the site folder, "\" separated, its bytes
// below 33, "%" and DEL written as %XX.
//
// The swap record, of an output folder put in place of an earlier one by two
// renames (folder_swap.h), is one line written the same way:
//
//   quillery swap record 1 <parent device> <parent inode> <new inode>
//       <earlier inode> <output folder's name>
#ifndef QUILLERY_CONVERT_STAGING_RECORD_H_
#define QUILLERY_CONVERT_STAGING_RECORD_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillery {

// The folders a record belongs to. A copied or unpacked site has new
// folders, so a record that came along with it does not match; nor does one
// unpacked into an existing site folder, whose staging folder is new.
struct RecordBinding {
  std::uint64_t siteDevice = 0;
  std::uint64_t siteInode = 0;
  std::uint64_t stagingInode = 0;
  bool operator==(const RecordBinding& other) const;
};

enum class RenameRole : char {
  kNewFile = 'n',
  kTocFramePage = 't',
  kMainFile = 'm',
};

struct RecordedRename {
  RenameRole role = RenameRole::kNewFile;
  std::string stagedName;
  bool existed = false;  // the target before the commit
  std::uint64_t size = 0;
  std::int64_t modifiedNs = 0;
  std::string target;  // relative to the site folder, "\" separated
  bool operator==(const RecordedRename& other) const;
};

// The longest line a record can hold: a target of 4 096 bytes, each
// written as %XX, and the fields before it.
constexpr std::size_t kMaxRecordLine = 3 * 4096 + 128;

// The staging name of the n-th staged file: 0-9, a-z, A-Z, then two
// characters and more. The main file is "0", the contents frame page "1",
// every other file from "2" on. With `foldsLetterCase`, for a staging folder
// whose file system takes "a" and "A" for one name, only 0-9 and a-z count.
[[nodiscard]] std::string StagedName(std::size_t number,
                                     bool foldsLetterCase = false);

// True for a name StagedName gives to a plan's file: at most five letters
// and digits (no plan writes 62^5 files), no leading "0" but "0" itself.
// So the staging folder's other names ("record", "_originals") are none.
[[nodiscard]] bool IsStagedName(std::string_view name);

// True for a path relative to the site folder made only of plain names:
// "\" separated, none empty, "." or "..", no "/", no zero byte, no drive
// ("C:") in front.
[[nodiscard]] bool IsPlainRelativePath(std::string_view path);

[[nodiscard]] std::string FormatRecord(
    const RecordBinding& binding, const std::vector<RecordedRename>& renames);

// The renames of `text` when it is a record our writer makes for the
// folders of `binding`; otherwise nothing, and `problem` says what is wrong
// in a few words ("the record was not written in this folder"). With
// `foldsLetterCase`, two staged names or targets that differ only in letter
// case are one file, named twice.
[[nodiscard]] std::optional<std::vector<RecordedRename>> ParseRecord(
    std::string_view text, const RecordBinding& binding, std::string& problem,
    bool foldsLetterCase = false);

// A swap of output folders in progress: the folder the outputs lie in, the
// new output and the earlier one (folders keep their inode through a
// rename, so these say which folder is which wherever it stands now), and
// the name of the output folder in the parent.
struct SwapRecord {
  std::uint64_t parentDevice = 0;
  std::uint64_t parentInode = 0;
  std::uint64_t newInode = 0;
  std::uint64_t earlierInode = 0;
  std::string name;
  bool operator==(const SwapRecord& other) const;
};

// The longest swap record: a name of 255 bytes, each written as %XX, and
// the fields before it.
constexpr std::size_t kMaxSwapRecord = 3 * 255 + 128;

[[nodiscard]] std::string FormatSwapRecord(const SwapRecord& record);

// The record of `text` when it is one line FormatSwapRecord writes, its
// name one plain name (no "\", "/", ".", ".." or zero byte); otherwise
// nothing. Whether it belongs to the folders it names is the reader's
// to check.
[[nodiscard]] std::optional<SwapRecord> ParseSwapRecord(std::string_view text);

}  // namespace quillery

#endif  // QUILLERY_CONVERT_STAGING_RECORD_H_
