// Writing into a folder of its own; see output_folder.h.
#include "convert/output_folder.h"

#include <optional>
#include <utility>

#include "platform/file_io.h"
#include "split/site_references.h"
#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

// Pages and stylesheets are read for what they refer to; pictures are not.
bool MayReferToFiles(const std::string& relative) {
  const std::string lower = AsciiLower(relative);
  for (std::string_view extension : {".htm", ".html", ".css"}) {
    if (lower.size() > extension.size() && EndsWith(lower, extension)) {
      return true;
    }
  }
  return false;
}

}  // namespace

OutputFolderWriter::OutputFolderWriter(FileOperations& files,
                                       const std::string& mainFilePath,
                                       std::string build)
    : files_(files),
      paths_(SitePath(mainFilePath).Folder().text()),
      build_(std::move(build)),
      mainFile_(paths_.RelativeOf(paths_.KeyOf(mainFilePath))) {}

std::string OutputFolderWriter::KeyOf(const std::string& path) {
  return paths_.KeyOf(path);
}

void OutputFolderWriter::LeaveUncounted(const std::string& path) {
  uncounted_.insert(paths_.RelativeOf(paths_.KeyOf(path)));
}

void OutputFolderWriter::MakeFoldersFor(const std::string& relative) {
  std::size_t separator = relative.find('\\');
  while (separator != std::string::npos) {
    const std::string folder = relative.substr(0, separator);
    if (madeFolders_.insert(folder).second) {
      files_.MakeFolder(build_ + "\\" + folder);
    }
    separator = relative.find('\\', separator + 1);
  }
}

void OutputFolderWriter::Put(const std::string& relative,
                             std::string_view bytes, std::uint32_t mode) {
  MakeFoldersFor(relative);
  files_.WriteNewFile(build_ + "\\" + relative, bytes, mode);
  written_.insert(relative);
  // The main file is a page whatever its name.
  if (MayReferToFiles(relative) || relative == mainFile_) {
    NoteReferences(relative, bytes);
  }
}

void OutputFolderWriter::NoteReferences(const std::string& relative,
                                        std::string_view bytes) {
  const std::string folder = SitePath(relative).Folder().SlashForm();
  const bool counted = uncounted_.count(relative) == 0;
  for (const std::string& reference : FindReferences(bytes)) {
    const ReferenceTarget target = ClassifyReference(reference, folder);
    if (target.kind == ReferenceTarget::Kind::kOutside && counted) ++outside_;
    if (target.kind == ReferenceTarget::Kind::kInSite) {
      toCopy_.push_back({target.path, counted});
    }
  }
}

void OutputFolderWriter::WriteFile(const std::string& path, std::string bytes) {
  const std::string key = paths_.KeyOf(path);
  // The file keeps the permissions of the site's file it stands for.
  const PathFacts source = files_.LookAt(key);
  Put(paths_.RelativeOf(key), bytes,
      source.isRegular ? source.mode : NewFileMode());
}

void OutputFolderWriter::CopyReferencedFiles() {
  toCopy_.insert(toCopy_.begin(), {SitePath(mainFile_).SlashForm(), true});
  for (std::size_t next = 0; next < toCopy_.size(); ++next) {
    const std::string relative =
        SitePath::FromSlashForm(toCopy_[next].path).text();
    if (written_.count(relative) != 0) continue;
    const std::optional<std::string> real =
        RealPath(paths_.siteFolder() + "\\" + relative);
    if (!real) continue;  // a broken link stays broken
    if (!SitePath(*real).IsInside(SitePath(paths_.siteFolder()))) {
      if (toCopy_[next].counted) ++outside_;
      continue;
    }
    const PathFacts facts = files_.LookAt(*real);
    if (!facts.isRegular) continue;
    Put(relative, ReadBinaryFile(*real), facts.mode);
  }
}

}  // namespace quillery
