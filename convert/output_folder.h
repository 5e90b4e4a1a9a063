// Converting into a folder of its own (/OUTDIR=): the source site stays as
// it is, and the output folder is built whole beside its place and then
// swapped in, so that a failure or a kill leaves an existing one as it was.
#ifndef QUILLERY_CONVERT_OUTPUT_FOLDER_H_
#define QUILLERY_CONVERT_OUTPUT_FOLDER_H_

#include <cstddef>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "convert/file_operations.h"
#include "convert/site_paths.h"
#include "convert/site_writer.h"

namespace quillery {

// The file that marks a folder as an output of this program.
constexpr std::string_view kOutputRecord = ".quillery-output";

// Writes the planned files into a folder being built, each at its path from
// the site folder, and then copies the files of the site that they refer
// to: see CopyReferencedFiles.
class OutputFolderWriter : public SiteWriter {
 public:
  // `mainFilePath`: the main file, whose folder is the site; `build`: the
  // empty folder that becomes the output (internal paths).
  OutputFolderWriter(FileOperations& files, const std::string& mainFilePath,
                     std::string build);

  // The real location of a planned path (SitePaths::KeyOf).
  [[nodiscard]] std::string KeyOf(const std::string& path);

  void WriteFile(const std::string& path, std::string bytes) override;

  // Copies the main file when no planned file took its place, and every
  // regular file of the site that the written files refer to (href, src,
  // background, CSS url()), following references through copied pages and
  // stylesheets too. A file is copied only when its real path lies inside
  // the site; a referenced file that does not exist is passed over.
  void CopyReferencedFiles();

  // The references of the file at `path` (a path of the site, written or
  // copied) are followed as those of any other file, but not counted in
  // outsideReferences(): other files written hold them already. Call before
  // the file is written.
  void LeaveUncounted(const std::string& path);

  // References that lead outside the site (another scheme, an absolute
  // path, "../" out of it, a link out of it), left as they are: each one
  // once per file written that holds it.
  [[nodiscard]] std::size_t outsideReferences() const { return outside_; }

 private:
  // A file to copy, and whether a link of it out of the site is counted.
  struct Referenced {
    std::string path;  // "/" form, from the site folder
    bool counted = true;
  };

  void Put(const std::string& relative, std::string_view bytes,
           std::uint32_t mode);
  void NoteReferences(const std::string& relative, std::string_view bytes);
  void MakeFoldersFor(const std::string& relative);

  FileOperations& files_;
  SitePaths paths_;
  std::string build_;
  std::string mainFile_;           // from the site folder, "\" form
  std::set<std::string> written_;  // paths from the site folder, "\" form
  std::set<std::string> madeFolders_;
  std::set<std::string> uncounted_;  // paths from the site folder, "\" form
  std::vector<Referenced> toCopy_;
  std::size_t outside_ = 0;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_OUTPUT_FOLDER_H_
