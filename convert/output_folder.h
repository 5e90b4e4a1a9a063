// Converting into a folder of its own (/OUTDIR=): the source site stays as
// it is, and the output folder is built whole beside its place, under the
// bookkeeping folder of its parent, and then swapped in, so that a failure
// or a kill leaves an existing one as it was.
#ifndef QUILLERY_CONVERT_OUTPUT_FOLDER_H_
#define QUILLERY_CONVERT_OUTPUT_FOLDER_H_

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "convert/file_operations.h"
#include "convert/folder_swap.h"
#include "convert/referenced_files.h"
#include "convert/site_commit.h"
#include "convert/site_paths.h"

namespace quillery {

// The file that marks a folder as an output of this program.
constexpr std::string_view kOutputRecord = ".quillery-output";

// Where an output folder goes, and the bookkeeping beside it.
struct OutputPlace {
  std::string output;  // as the user named it, absolute
  std::string parent;  // real
  std::string target;  // real parent + name
  std::string bookkeeping;
  std::string build;               // where the new output is built
  bool replaces = false;           // an earlier output stands at the target
  std::unique_ptr<HeldLock> lock;  // of the parent: one run at a time
};

// Resolves OUTDIR (`outdir`, absolute), refuses a folder that cannot take
// the output (inside the site or holding it, a file or link in the way, a
// folder of files that are no output of ours), and takes the lock of its
// parent; what an earlier build left there is removed. Throws FileError
// naming the output folder as the user gave it.
[[nodiscard]] OutputPlace PrepareOutputFolder(FileOperations& files,
                                              const std::string& outdir,
                                              const std::string& siteFolder);

// Writes the planned files into the folder being built, each at its path
// from the site folder, and on Commit copies the files of the site that
// they refer to (CopyReferencedFiles), marks the folder as ours and swaps it
// in. Every failure names the output folder the user gave, never the
// folders under the bookkeeping folder.
class OutputFolderWriter : public SiteCommit {
 public:
  // `mainFilePath`: the main file, whose folder is the site; `sourceName`:
  // the file the user converted, named in the output's record. The
  // references of the files at `countedElsewhere` (paths of the site,
  // written or copied) are followed as those of any other file, but not
  // counted in outsideReferences(): other files written hold them already.
  // Makes the build folder.
  OutputFolderWriter(FileOperations& files, const OutputPlace& place,
                     const std::string& mainFilePath,
                     const std::string& sourceName,
                     const std::vector<std::string>& countedElsewhere);
  // Removes the build folder unless committed.
  ~OutputFolderWriter() override;
  OutputFolderWriter(const OutputFolderWriter&) = delete;
  OutputFolderWriter& operator=(const OutputFolderWriter&) = delete;

  // Writes the file into the build folder and scans it for the files it
  // refers to. Takes files from several threads at once.
  void WriteFile(std::size_t place, const std::string& path,
                 std::string_view bytes) override;

  // Copies what the written files refer to, writes the output's record,
  // makes the build durable and puts it in place of the output whole; the
  // old output, then under the bookkeeping folder, is removed.
  void Commit() override;

  // References that lead outside the site (another scheme, an absolute
  // path, "../" out of it, a link out of it), left as they are: each one
  // once per file written that holds it.
  [[nodiscard]] std::size_t outsideReferences() const {
    return referenced_ ? referenced_->outside() : outside_;
  }

 private:
  // The real location of a planned path (SitePaths::KeyOf), a failure
  // told with the output folder the user gave.
  [[nodiscard]] std::string Resolve(const std::string& path) override;

  // Copies the main file when no planned file took its place, and every
  // regular file of the site that the written files refer to (href, src,
  // background, CSS url()), following references through copied pages and
  // stylesheets too. A file is copied only when its real path lies inside
  // the site; a referenced file that does not exist is passed over.
  void CopyReferencedFiles();
  void Put(const std::string& relative, std::string_view bytes,
           std::uint32_t mode);
  void MakeFoldersFor(const std::string& relative);
  // Puts the build in place of the output: moved there when there is no
  // earlier output, else exchanged with it, or, where the system cannot
  // exchange two folders, swapped by two recorded renames (folder_swap.h).
  void Swap();
  // Makes the folders the swap changed durable.
  void MakeSwapDurable();
  // Undoes Swap, the earlier output back in place.
  void SwapBack();
  // Removes the earlier output from under the bookkeeping folder, where the
  // swap left it.
  void RemoveEarlierOutput();
  [[nodiscard]] SwapFolders Folders() const;
  void Discard();

  FileOperations& files_;
  const OutputPlace& place_;
  SitePaths paths_;
  std::string sourceName_;
  bool madeBookkeeping_ = false;
  bool madeBuild_ = false;
  bool committed_ = false;
  enum class SwapKind { kMoved, kExchanged, kRenamed };
  SwapKind swap_ = SwapKind::kMoved;
  std::mutex mutex_;  // for madeFolders_ and scanned_ while files are written
  std::set<std::string> madeFolders_;
  // The resolved keys whose site file may exist (SitePaths::MayHold); only
  // read once writing starts.
  std::unordered_set<std::string> mayExist_;
  std::optional<ReferencedFiles> referenced_;
  // outsideReferences() once a commit has given referenced_ back.
  std::size_t outside_ = 0;
  // The written files' references by place, taken into referenced_ in that
  // order at the commit.
  std::map<std::size_t, ReferencedFiles::ScannedFile> scanned_;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_OUTPUT_FOLDER_H_
