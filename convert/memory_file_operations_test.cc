#include "convert/memory_file_operations.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "platform/file_io.h"
#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::FileErrorOf;
using testing::ScopedTempDir;

// Every row starts from this site, `@` standing for the folder it lies in:
// a link to a folder, a link to a file, a link to nothing, a file holding a
// zero byte and an empty folder.
struct Entry {
  const char* path;
  enum { kFile, kFolder, kLink } kind;
  std::string bytesOrTarget;
};
const Entry kSite[] = {
    {"site/doc.htm", Entry::kFile, "doc"},
    {"site/sub/toc.htm", Entry::kFile, "toc"},
    {"site/zero.htm", Entry::kFile, std::string("a\0b", 3)},
    {"site/empty", Entry::kFolder, ""},
    {"site/link", Entry::kLink, "sub"},
    {"site/toc-link", Entry::kLink, "sub/toc.htm"},
    {"site/gone", Entry::kLink, "none.htm"},
    {"outside/x.htm", Entry::kFile, "x"},
};

std::string Native(const std::string& path) {
  std::string native = path;
  std::replace(native.begin(), native.end(), '\\', '/');
  return native;
}

void BuildOnFake(MemoryFileOperations& files, const std::string& root) {
  for (const Entry& entry : kSite) {
    const std::string path = root + "\\" + entry.path;
    switch (entry.kind) {
      case Entry::kFile:
        files.AddFile(path, entry.bytesOrTarget);
        break;
      case Entry::kFolder:
        files.AddFolder(path);
        break;
      case Entry::kLink:
        files.AddLink(path, entry.bytesOrTarget);
        break;
    }
  }
}

void BuildOnDisk(const std::string& root) {
  namespace fs = std::filesystem;
  for (const Entry& entry : kSite) {
    const std::string path = Native(root) + "/" + entry.path;
    fs::create_directories(fs::path(path).parent_path());
    switch (entry.kind) {
      case Entry::kFile:
        testing::WriteBytes(path, entry.bytesOrTarget);
        break;
      case Entry::kFolder:
        fs::create_directory(path);
        break;
      case Entry::kLink:
        fs::create_symlink(entry.bytesOrTarget, path);
        break;
    }
  }
}

// What a call gave, in words: its result, or the message of its FileError.
std::string Outcome(const std::function<std::string()>& call) {
  try {
    return call();
  } catch (const FileError& error) {
    return std::string("error: ") + error.what();
  }
}

std::string Text(bool value) { return value ? "true" : "false"; }

std::string Text(const std::optional<std::string>& value) {
  return value ? *value : "nothing";
}

// The facts that do not depend on the file system: a folder's link count
// and size do.
std::string Text(const PathFacts& facts) {
  if (!facts.exists) return "nothing";
  if (facts.isLink) return "link of " + std::to_string(facts.size);
  if (facts.isFolder) return "folder";
  return "file of " + std::to_string(facts.size) + ", " +
         std::to_string(facts.links) + " name(s)";
}

std::string Text(std::vector<std::string> names) {
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += name + " ";
  return text;
}

// `text` with the root folder, in either form, written "@".
std::string WithRootAsAt(std::string text, const std::string& root) {
  for (const std::string& form : {root, Native(root)}) {
    for (std::size_t at = text.find(form); at != std::string::npos;
         at = text.find(form, at + 1)) {
      text.replace(at, form.size(), "@");
    }
  }
  return text;
}

using Call = std::function<std::string(FileOperations&, const std::string&)>;
struct Row {
  const char* name;
  Call call;
  std::string expected;
};

const std::vector<Row>& Rows() {
  using F = FileOperations;
  using S = const std::string&;
  static const std::vector<Row> rows = {
      // Reading the user's files: links followed, ".." folded on the disk.
      {"ReadText a file",
       [](F& f, S r) { return f.ReadText(r + "\\site\\doc.htm"); }, "doc"},
      {"ReadText through a link to a folder",
       [](F& f, S r) { return f.ReadText(r + "\\site\\link\\toc.htm"); },
       "toc"},
      {"ReadText a link to a file",
       [](F& f, S r) { return f.ReadText(r + "\\site\\toc-link"); }, "toc"},
      {"ReadText with \"/\" and \"..\"",
       [](F& f, S r) { return f.ReadText(r + "\\site/sub\\..\\doc.htm"); },
       "doc"},
      {"ReadText \"..\" of a linked folder is its real parent",
       [](F& f, S r) { return f.ReadText(r + "\\site\\link\\..\\doc.htm"); },
       "doc"},
      {"ReadText a zero byte",
       [](F& f, S r) { return f.ReadText(r + "\\site\\zero.htm"); },
       "error: cannot read '@/site/zero.htm': it holds a zero byte (a UTF-16 "
       "or binary file?)"},
      {"ReadText nothing",
       [](F& f, S r) { return f.ReadText(r + "\\site\\none.htm"); },
       "error: cannot read '@/site/none.htm': No such file or directory"},
      {"ReadText a folder",
       [](F& f, S r) { return f.ReadText(r + "\\site\\sub"); },
       "error: cannot read '@/site/sub': Is a directory"},
      {"ReadText a link to nothing",
       [](F& f, S r) { return f.ReadText(r + "\\site\\gone"); },
       "error: cannot read '@/site/gone': No such file or directory"},
      {"ReadText below a file",
       [](F& f, S r) { return f.ReadText(r + "\\site\\doc.htm\\x"); },
       "error: cannot read '@/site/doc.htm/x': Not a directory"},
      {"ReadBytes a zero byte",
       [](F& f, S r) { return f.ReadBytes(r + "\\site\\zero.htm"); },
       std::string("a\0b", 3)},
      {"RealPath through a link",
       [](F& f, S r) { return Text(f.RealPath(r + "\\site\\link\\toc.htm")); },
       "@\\site\\sub\\toc.htm"},
      {"RealPath folds \".\" and \"..\"",
       [](F& f, S r) {
         return Text(f.RealPath(r + "\\site\\.\\sub\\..\\doc.htm"));
       },
       "@\\site\\doc.htm"},
      {"RealPath of nothing",
       [](F& f, S r) { return Text(f.RealPath(r + "\\site\\none")); },
       "nothing"},
      {"RealPath of a link to nothing",
       [](F& f, S r) { return Text(f.RealPath(r + "\\site\\gone")); },
       "nothing"},
      {"Exists follows links",
       [](F& f, S r) {
         return Text(f.Exists(r + "\\site\\toc-link")) +
                Text(f.Exists(r + "\\site\\gone")) +
                Text(f.Exists(r + "\\site\\empty"));
       },
       "truefalsetrue"},
      {"CanOpenForReading a file, not a folder",
       [](F& f, S r) {
         return Text(f.CanOpenForReading(r + "\\site\\toc-link")) +
                Text(f.CanOpenForReading(r + "\\site\\link")) +
                Text(f.CanOpenForReading(r + "\\site\\none"));
       },
       "truefalsefalse"},

      // Looking, no link followed.
      {"LookAt a link, a folder, a file, nothing",
       [](F& f, S r) {
         return Text(f.LookAt(r + "\\site\\link")) + "; " +
                Text(f.LookAt(r + "\\site\\sub")) + "; " +
                Text(f.LookAt(r + "\\site\\doc.htm")) + "; " +
                Text(f.LookAt(r + "\\site\\none\\x")) + "; " +
                Text(f.LookAt(r + "\\site\\doc.htm\\x"));
       },
       "link of 3; folder; file of 3, 1 name(s); nothing; nothing"},
      {"LookAt through a link",
       [](F& f, S r) { return Text(f.LookAt(r + "\\site\\link\\toc.htm")); },
       "error: cannot read '@/site/link/toc.htm': '@/site/link' is a symbolic "
       "link, which quillery does not follow"},
      {"LookAt refuses \"..\"",
       [](F& f, S r) { return Text(f.LookAt(r + "\\site\\..\\site")); },
       "error: cannot read '@/site/../site': it names \"..\""},
      {"FolderEntries",
       [](F& f, S r) { return Text(f.FolderEntries(r + "\\site")); },
       "doc.htm empty gone link sub toc-link zero.htm "},
      {"FolderEntries of a link",
       [](F& f, S r) { return Text(f.FolderEntries(r + "\\site\\link")); },
       "error: cannot read '@/site/link': '@/site/link' is a symbolic link, "
       "which quillery does not follow"},
      {"FolderEntries of nothing",
       [](F& f, S r) { return Text(f.FolderEntries(r + "\\site\\none")); },
       "error: cannot read '@/site/none': No such file or directory"},
      {"FolderEntries of a file",
       [](F& f, S r) { return Text(f.FolderEntries(r + "\\site\\doc.htm")); },
       "error: cannot read '@/site/doc.htm': Not a directory"},
      {"ReadFile a file",
       [](F& f, S r) { return f.ReadFile(r + "\\site\\doc.htm", 3); }, "doc"},
      {"ReadFile too large",
       [](F& f, S r) { return f.ReadFile(r + "\\site\\doc.htm", 2); },
       "error: cannot read '@/site/doc.htm': it is larger than 2 bytes"},
      {"ReadFile a link",
       [](F& f, S r) { return f.ReadFile(r + "\\site\\toc-link", 9); },
       "error: cannot read '@/site/toc-link': it is a symbolic link, which "
       "quillery does not follow"},
      {"ReadFile a folder",
       [](F& f, S r) { return f.ReadFile(r + "\\site\\sub", 9); },
       "error: cannot read '@/site/sub': it is not a regular file"},
      {"ReadFile nothing",
       [](F& f, S r) { return f.ReadFile(r + "\\site\\none", 9); },
       "error: cannot read '@/site/none': No such file or directory"},

      // Changing.
      {"MakeFolder",
       [](F& f, S r) {
         f.MakeFolder(r + "\\site\\new");
         return Text(f.LookAt(r + "\\site\\new"));
       },
       "folder"},
      {"MakeFolder where a link stands",
       [](F& f, S r) {
         f.MakeFolder(r + "\\site\\gone");
         return std::string();
       },
       "error: cannot write '@/site/gone': File exists"},
      {"MakeFolder in nothing",
       [](F& f, S r) {
         f.MakeFolder(r + "\\site\\none\\new");
         return std::string();
       },
       "error: cannot write '@/site/none/new': No such file or directory"},
      {"MakeFolder through a link",
       [](F& f, S r) {
         f.MakeFolder(r + "\\site\\link\\new");
         return std::string();
       },
       "error: cannot write '@/site/link/new': '@/site/link' is a symbolic "
       "link, which quillery does not follow"},
      {"WriteNewFile with its mode",
       [](F& f, S r) {
         f.WriteNewFile(r + "\\site\\new.htm", "new", 0600);
         return f.ReadText(r + "\\site\\new.htm") + " " +
                std::to_string(f.LookAt(r + "\\site\\new.htm").mode);
       },
       "new 384"},
      {"WriteNewFile where a file stands",
       [](F& f, S r) {
         f.WriteNewFile(r + "\\site\\doc.htm", "new", f.NewFileMode());
         return std::string();
       },
       "error: cannot write '@/site/doc.htm': File exists"},
      {"WriteNewFile where a link to nothing stands",
       [](F& f, S r) {
         f.WriteNewFile(r + "\\site\\gone", "new", f.NewFileMode());
         return std::string();
       },
       "error: cannot write '@/site/gone': File exists"},
      {"CopyNewFile with its mode, zero bytes kept",
       [](F& f, S r) {
         f.CopyNewFile(r + "\\site\\zero.htm", r + "\\site\\copy", 0600);
         return f.ReadBytes(r + "\\site\\copy") + " " +
                std::to_string(f.LookAt(r + "\\site\\copy").mode);
       },
       std::string("a\0b 384", 7)},
      {"CopyNewFile where a file stands",
       [](F& f, S r) {
         f.CopyNewFile(r + "\\site\\zero.htm", r + "\\site\\doc.htm", 0644);
         return f.ReadText(r + "\\site\\doc.htm");
       },
       "error: cannot write '@/site/doc.htm': File exists"},
      {"CopyNewFile of a link",
       [](F& f, S r) {
         f.CopyNewFile(r + "\\site\\toc-link", r + "\\site\\copy", 0644);
         return std::string();
       },
       "error: cannot read '@/site/toc-link': it is a symbolic link, which "
       "quillery does not follow"},
      {"CopyNewFile of a folder",
       [](F& f, S r) {
         f.CopyNewFile(r + "\\site\\sub", r + "\\site\\copy", 0644);
         return std::string();
       },
       "error: cannot read '@/site/sub': it is not a regular file"},
      {"RenameFile over a file",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\doc.htm", r + "\\site\\sub\\toc.htm");
         return f.ReadText(r + "\\site\\sub\\toc.htm") +
                Text(f.Exists(r + "\\site\\doc.htm"));
       },
       "docfalse"},
      {"RenameFile over a link replaces the link",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\doc.htm", r + "\\site\\toc-link");
         return Text(f.LookAt(r + "\\site\\toc-link")) + " " +
                f.ReadText(r + "\\site\\sub\\toc.htm");
       },
       "file of 3, 1 name(s) toc"},
      {"RenameFile a folder",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\sub", r + "\\site\\moved");
         return f.ReadText(r + "\\site\\moved\\toc.htm");
       },
       "toc"},
      {"RenameFile nothing",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\none", r + "\\site\\to.htm");
         return std::string();
       },
       "error: cannot write '@/site/to.htm': No such file or directory"},
      {"RenameFile a file over a folder",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\doc.htm", r + "\\site\\empty");
         return std::string();
       },
       "error: cannot write '@/site/empty': Is a directory"},
      {"RenameFile a folder over a full one",
       [](F& f, S r) {
         f.RenameFile(r + "\\site\\empty", r + "\\site\\sub");
         return std::string();
       },
       "error: cannot write '@/site/sub': Directory not empty"},
      {"RenameFile between two names of one file",
       [](F& f, S r) {
         EXPECT_TRUE(f.LinkFile(r + "\\site\\doc.htm", r + "\\site\\two.htm"));
         f.RenameFile(r + "\\site\\doc.htm", r + "\\site\\two.htm");
         return Text(f.LookAt(r + "\\site\\doc.htm"));
       },
       "file of 3, 2 name(s)"},
      {"ExchangeFolders",
       [](F& f, S r) {
         EXPECT_TRUE(f.ExchangeFolders(r + "\\site\\sub", r + "\\site\\empty"));
         return Text(f.FolderEntries(r + "\\site\\sub")) + "/ " +
                Text(f.FolderEntries(r + "\\site\\empty"));
       },
       "/ toc.htm "},
      {"ExchangeFolders with nothing",
       [](F& f, S r) {
         return Text(f.ExchangeFolders(r + "\\site\\sub", r + "\\site\\none"));
       },
       "error: cannot write '@/site/none': No such file or directory"},
      {"LinkFile",
       [](F& f, S r) {
         const bool made = f.LinkFile(r + "\\site\\doc.htm", r + "\\site\\two");
         return Text(made) + " " + Text(f.LookAt(r + "\\site\\two"));
       },
       "true file of 3, 2 name(s)"},
      {"LinkFile onto a name in use",
       [](F& f, S r) {
         return Text(f.LinkFile(r + "\\site\\doc.htm", r + "\\site\\gone"));
       },
       "error: cannot write '@/site/gone': File exists"},
      {"LinkFile a folder makes nothing",
       [](F& f, S r) {
         return Text(f.LinkFile(r + "\\site\\sub", r + "\\site\\two")) +
                Text(f.Exists(r + "\\site\\two"));
       },
       "falsefalse"},
      {"RemoveFile a link, not what it points to",
       [](F& f, S r) {
         f.RemoveFile(r + "\\site\\toc-link");
         return Text(f.Exists(r + "\\site\\toc-link")) +
                Text(f.Exists(r + "\\site\\sub\\toc.htm"));
       },
       "falsetrue"},
      {"RemoveFile a folder",
       [](F& f, S r) {
         f.RemoveFile(r + "\\site\\empty");
         return std::string();
       },
       "error: cannot remove '@/site/empty': Is a directory"},
      {"RemoveFile nothing",
       [](F& f, S r) {
         f.RemoveFile(r + "\\site\\none");
         return std::string();
       },
       "error: cannot remove '@/site/none': No such file or directory"},
      {"RemoveFolder an empty one",
       [](F& f, S r) {
         f.RemoveFolder(r + "\\site\\empty");
         return Text(f.Exists(r + "\\site\\empty"));
       },
       "false"},
      {"RemoveFolder a full one",
       [](F& f, S r) {
         f.RemoveFolder(r + "\\site\\sub");
         return std::string();
       },
       "error: cannot remove '@/site/sub': Directory not empty"},
      {"RemoveFolder a link to a folder",
       [](F& f, S r) {
         f.RemoveFolder(r + "\\site\\link");
         return std::string();
       },
       "error: cannot remove '@/site/link': Not a directory"},
      {"SyncFolder and SyncFileSystem",
       [](F& f, S r) {
         f.SyncFolder(r + "\\site");
         f.SyncFileSystem(r + "\\site\\sub");
         return std::string("synced");
       },
       "synced"},
      {"SyncFolder through a link",
       [](F& f, S r) {
         f.SyncFolder(r + "\\site\\link");
         return std::string();
       },
       "error: cannot write '@/site/link': '@/site/link' is a symbolic link, "
       "which quillery does not follow"},
      {"LockFolder is one at a time",
       [](F& f, S r) {
         std::unique_ptr<HeldLock> first = f.LockFolder(r + "\\site");
         const bool second = f.LockFolder(r + "\\site\\link\\..") != nullptr;
         first.reset();
         return Text(second) + Text(f.LockFolder(r + "\\site") != nullptr);
       },
       "falsetrue"},
      {"LockFolder nothing",
       [](F& f, S r) { return Text(f.LockFolder(r + "\\none") != nullptr); },
       "error: cannot read '@/none': No such file or directory"},
  };
  return rows;
}

TEST(MemoryFileOperations, BehavesAsTheDiskDoes) {
  const std::string root = "\\work\\t";
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    BuildOnFake(files, root);
    EXPECT_EQ(
        WithRootAsAt(Outcome([&] { return row.call(files, root); }), root),
        row.expected);
  }
}

// Whether the real door exchanges two folders here; where it cannot (as in
// the POSIX-only build) it says so and changes nothing, as the fake does
// with SetExchange(false).
bool SystemExchangesFolders() {
  ScopedTempDir dir;
  const std::string root = InternalPath(dir.path());
  SystemFileOperations files;
  files.MakeFolder(root + "\\one");
  files.MakeFolder(root + "\\two");
  return files.ExchangeFolders(root + "\\one", root + "\\two");
}

TEST(MemoryFileOperations, BehavesTheSameWhenLetterCaseFolds) {
  const std::string root = "\\work\\t";
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    MemoryFileOperations files;
    files.SetFoldsLetterCase(true);
    BuildOnFake(files, root);
    EXPECT_EQ(
        WithRootAsAt(Outcome([&] { return row.call(files, root); }), root),
        row.expected);
  }
}

// Names in other cases than they were made with, on a disk that folds
// letter case and on one that does not.
TEST(MemoryFileOperations, NamesInAnotherCaseAreOneWhereCaseFolds) {
  using F = FileOperations;
  struct CaseRow {
    const char* name;
    std::function<std::string(F&)> call;
    std::string folding;
    std::string keeping;
  };
  const CaseRow rows[] = {
      {"ReadText", [](F& f) { return f.ReadText("\\site\\REPORT.HTM"); }, "old",
       "error: cannot read '/site/REPORT.HTM': No such file or directory"},
      {"LookAt in a folder named in another case",
       [](F& f) { return Text(f.LookAt("\\site\\sub\\pic.gif")); },
       "file of 3, 1 name(s)", "nothing"},
      {"RealPath gives the names as made",
       [](F& f) { return Text(f.RealPath("\\SITE\\sub\\pic.gif")); },
       "\\site\\Sub\\Pic.GIF", "nothing"},
      {"FolderEntries gives the names as made",
       [](F& f) { return Text(f.FolderEntries("\\SITE")); }, "Report.htm Sub ",
       "error: cannot read '/SITE': No such file or directory"},
      {"WriteNewFile beside a name in another case",
       [](F& f) {
         f.WriteNewFile("\\site\\report.htm", "new", 0644);
         return Text(f.FolderEntries("\\site"));
       },
       "error: cannot write '/site/report.htm': File exists",
       "Report.htm Sub report.htm "},
      {"MakeFolder beside a folder in another case",
       [](F& f) {
         f.MakeFolder("\\site\\SUB");
         return Text(f.FolderEntries("\\site"));
       },
       "error: cannot write '/site/SUB': File exists", "Report.htm SUB Sub "},
      {"RenameFile to another case of its name",
       [](F& f) {
         f.RenameFile("\\site\\Report.htm", "\\site\\report.HTM");
         return Text(f.FolderEntries("\\site")) +
                Text(f.LookAt("\\site\\Report.htm"));
       },
       "Sub report.HTM file of 3, 1 name(s)", "Sub report.HTM nothing"},
      {"RenameFile over a file named in another case",
       [](F& f) {
         f.WriteNewFile("\\site\\new.htm", "new", 0644);
         f.RenameFile("\\site\\new.htm", "\\site\\REPORT.htm");
         return Text(f.FolderEntries("\\site")) +
                f.ReadText("\\site\\Report.htm");
       },
       "REPORT.htm Sub new", "REPORT.htm Report.htm Sub old"},
      {"LinkFile to another case of its name",
       [](F& f) {
         return Text(f.LinkFile("\\site\\Report.htm", "\\site\\report.htm"));
       },
       "error: cannot write '/site/report.htm': File exists", "true"},
      {"RemoveFile",
       [](F& f) {
         f.RemoveFile("\\site\\REPORT.HTM");
         return Text(f.FolderEntries("\\site"));
       },
       "Sub ",
       "error: cannot remove '/site/REPORT.HTM': No such file or directory"},
      {"ExchangeFolders keeps each name as it was",
       [](F& f) {
         f.MakeFolder("\\site\\Other");
         static_cast<void>(f.ExchangeFolders("\\site\\sub", "\\site\\OTHER"));
         return Text(f.FolderEntries("\\site")) +
                Text(f.FolderEntries("\\site\\other"));
       },
       "Other Report.htm Sub Pic.GIF ",
       "error: cannot write '/site/OTHER': No such file or directory"},
      {"LockFolder",
       [](F& f) {
         const auto first = f.LockFolder("\\site");
         return Text(f.LockFolder("\\SITE") != nullptr);
       },
       "false", "error: cannot read '/SITE': No such file or directory"},
      {"FoldsLetterCase",
       [](F& f) { return Text(f.FoldsLetterCase("\\site\\Sub")); }, "true",
       "false"},
  };
  for (const bool folds : {true, false}) {
    for (const CaseRow& row : rows) {
      SCOPED_TRACE(std::string(row.name) + (folds ? ", folding" : ""));
      MemoryFileOperations files;
      files.SetFoldsLetterCase(folds);
      files.AddFile("\\site\\Report.htm", "old");
      files.AddFile("\\site\\Sub\\Pic.GIF", "pic");
      EXPECT_EQ(Outcome([&] { return row.call(files); }),
                folds ? row.folding : row.keeping);
    }
  }
}

TEST(MemoryFileOperations, AFoldingTreeShowsTheNamesAsMade) {
  MemoryFileOperations files;
  files.SetFoldsLetterCase(true);
  files.AddFile("\\Site\\Doc.htm", "doc");
  files.AddFile("\\SITE\\img\\..\\IMG\\A.gif", "a");  // into "Site"
  files.AddFile("\\site\\doc.HTM", "new");            // replaces "Doc.htm"
  EXPECT_EQ(files.Tree(),
            (std::map<std::string, std::string>{{"\\Site\\", ""},
                                                {"\\Site\\IMG\\", ""},
                                                {"\\Site\\IMG\\A.gif", "a"},
                                                {"\\Site\\doc.HTM", "new"}}));
  EXPECT_EQ(files.Contents("\\SITE\\DOC.HTM"), "new");
  EXPECT_THROW(files.SetFoldsLetterCase(false), std::logic_error);
  EXPECT_EQ(files.calls(), 0u);
}

TEST(MemoryFileOperations, AgreesWithTheRealDoor) {
#ifdef _WIN32
  GTEST_SKIP() << "the file system in memory is a POSIX one: its messages "
                  "and links are held against the real door there";
#endif
  const bool exchanges = SystemExchangesFolders();
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.name);
    if (!exchanges && std::string(row.name).rfind("ExchangeFolders", 0) == 0) {
      continue;
    }
    ScopedTempDir dir;
    const std::string root = *quillery::RealPath(InternalPath(dir.path()));
    BuildOnDisk(root);
    SystemFileOperations files;
    EXPECT_EQ(
        WithRootAsAt(Outcome([&] { return row.call(files, root); }), root),
        row.expected);
  }
}

// Everything below `folder` as the door shows it, one line a name.
std::string Listing(FileOperations& files, const std::string& folder) {
  std::string listing;
  std::vector<std::string> names = files.FolderEntries(folder);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = folder + "\\" + name;
    const PathFacts facts = files.LookAt(path);
    listing += name + ": " + Text(facts) + "\n";
    if (facts.isRegular) listing += files.ReadFile(path, 100) + "\n";
    if (facts.isFolder) listing += Listing(files, path);
  }
  return listing;
}

// One call of a random sequence, made the same way on either side.
std::string RandomCall(FileOperations& files, const std::string& root,
                       std::mt19937& random) {
  static const char* const kNames[] = {
      "site\\a",        "site\\b",       "site\\sub",        "site\\sub\\c",
      "site\\link",     "site\\link\\a", "site\\sub\\..\\a", "site/sub/c",
      "site\\gone",     "site\\sub\\d",  "site\\empty",      "site\\doc.htm",
      "site\\empty\\e", "site\\toc-link"};
  static const std::string kBytes[] = {"", "x", "yy", std::string("a\0b", 3),
                                       "12345"};
  auto pick = [&random](std::size_t count) {
    return static_cast<std::size_t>(random() % count);
  };
  const std::string path = root + "\\" + kNames[pick(std::size(kNames))];
  const std::string to = root + "\\" + kNames[pick(std::size(kNames))];
  const std::string& bytes = kBytes[pick(std::size(kBytes))];
  switch (pick(17)) {
    case 0:
      return "ReadText " + files.ReadText(path);
    case 1:
      return "ReadBytes " + files.ReadBytes(path);
    case 2:
      return "RealPath " + Text(files.RealPath(path));
    case 3:
      return "Exists " + Text(files.Exists(path));
    case 4:
      return "CanOpen " + Text(files.CanOpenForReading(path));
    case 5:
      return "LookAt " + Text(files.LookAt(path));
    case 6:
      return "Entries " + Text(files.FolderEntries(path));
    case 7:
      return "ReadFile " + files.ReadFile(path, 4);
    case 8:
      files.MakeFolder(path);
      return "MakeFolder";
    case 9:
      files.WriteNewFile(path, bytes, 0644);
      return "WriteNewFile";
    case 10:
      files.RenameFile(path, to);
      return "RenameFile";
    case 11:
      return "ExchangeFolders " + Text(files.ExchangeFolders(path, to));
    case 12:
      return "LinkFile " + Text(files.LinkFile(path, to));
    case 13:
      files.RemoveFile(path);
      return "RemoveFile";
    case 14:
      files.RemoveFolder(path);
      return "RemoveFolder";
    case 15:
      files.RenameNewFile(path, to);
      return "RenameNewFile";
    default:
      files.SyncFolder(path);
      return "SyncFolder";
  }
}

TEST(MemoryFileOperations, AgreesWithTheRealDoorOverRandomSequences) {
#ifdef _WIN32
  GTEST_SKIP() << "the file system in memory is a POSIX one: its messages "
                  "and links are held against the real door there";
#endif
  const std::string fakeRoot = "\\work\\t";
  const bool exchanges = SystemExchangesFolders();
  for (unsigned seed = 1; seed <= 30; ++seed) {
    ScopedTempDir dir;
    const std::string diskRoot = *quillery::RealPath(InternalPath(dir.path()));
    BuildOnDisk(diskRoot);
    SystemFileOperations disk;
    MemoryFileOperations fake;
    fake.SetExchange(exchanges);
    BuildOnFake(fake, fakeRoot);
    std::mt19937 diskRandom(seed);
    std::mt19937 fakeRandom(seed);
    for (int step = 0; step < 60; ++step) {
      SCOPED_TRACE("seed " + std::to_string(seed) + " step " +
                   std::to_string(step));
      const std::string expected = WithRootAsAt(
          Outcome([&] { return RandomCall(disk, diskRoot, diskRandom); }),
          diskRoot);
      ASSERT_EQ(WithRootAsAt(Outcome([&] {
                               return RandomCall(fake, fakeRoot, fakeRandom);
                             }),
                             fakeRoot),
                expected);
    }
    ASSERT_EQ(Listing(fake, fakeRoot), Listing(disk, diskRoot));
  }
}

TEST(MemoryFileOperations, SetsUpAndReadsBackATree) {
  MemoryFileOperations files;
  files.AddFile("\\site\\doc.htm", "doc");
  files.AddFile("\\site/sub\\..\\two.htm", "two");  // folded as written
  files.AddFolder("\\site\\empty");
  files.AddLink("\\site\\link", "sub");
  files.AddFile("\\site!", "beside, not below");
  EXPECT_EQ(files.Tree("\\site"),
            (std::map<std::string, std::string>{{"\\site\\doc.htm", "doc"},
                                                {"\\site\\empty\\", ""},
                                                {"\\site\\link", "-> sub"},
                                                {"\\site\\two.htm", "two"}}));
  EXPECT_EQ(files.Tree().size(), 6u);  // and "\\site\\", "\\site!"
  EXPECT_EQ(files.Contents("\\site\\doc.htm"), "doc");
  EXPECT_EQ(files.Contents("\\site\\link"), std::nullopt);
  EXPECT_EQ(files.Contents("\\site\\none"), std::nullopt);
  files.AddFile("\\site\\doc.htm", "new");  // replaces
  EXPECT_EQ(files.Contents("\\site\\doc.htm"), "new");
  files.AddFolder("\\site\\link");
  EXPECT_EQ(files.Tree("\\site\\link"), (std::map<std::string, std::string>{}));
  EXPECT_EQ(files.Tree("\\site").count("\\site\\link\\"), 1u);
  EXPECT_EQ(files.calls(), 0u);
}

TEST(MemoryFileOperations, TheHookSeesEveryCallAndItsFailureUndoesIt) {
  MemoryFileOperations files;
  files.AddFile("\\site\\a", "a");
  files.AddFile("\\site\\b", "b");
  const auto before = files.Tree();
  std::vector<std::string> seen;
  files.SetHook([&seen](const FileCall& call) {
    seen.push_back(std::string(call.name) + " " + call.path + " " + call.to);
    if (call.name == "RenameFile") throw FileError("disk full");
  });
  EXPECT_EQ(FileErrorOf([&] { files.RenameFile("\\site\\a", "\\site\\b"); }),
            "disk full");
  EXPECT_EQ(files.Tree(), before);
  EXPECT_TRUE(files.Exists("\\site\\a"));
  EXPECT_EQ(seen, (std::vector<std::string>{"RenameFile \\site\\a \\site\\b",
                                            "Exists \\site\\a "}));
  EXPECT_EQ(files.calls(), 2u);
}

TEST(MemoryFileOperations, AKillAtEachCallLeavesWhatCameBefore) {
  struct Killed {};
  auto run = [](FileOperations& files) {
    files.MakeFolder("\\site\\stage");
    files.WriteNewFile("\\site\\stage\\a", "new a", 0644);
    files.SyncFolder("\\site\\stage");
    files.RenameFile("\\site\\stage\\a", "\\site\\a");
    files.RemoveFolder("\\site\\stage");
  };
  const std::vector<std::map<std::string, std::string>> expected = {
      {{"\\site\\", ""}, {"\\site\\a", "old a"}},
      {{"\\site\\", ""}, {"\\site\\a", "old a"}, {"\\site\\stage\\", ""}},
      {{"\\site\\", ""},
       {"\\site\\a", "old a"},
       {"\\site\\stage\\", ""},
       {"\\site\\stage\\a", "new a"}},
      {{"\\site\\", ""},
       {"\\site\\a", "old a"},
       {"\\site\\stage\\", ""},
       {"\\site\\stage\\a", "new a"}},
      {{"\\site\\", ""}, {"\\site\\a", "new a"}, {"\\site\\stage\\", ""}},
      {{"\\site\\", ""}, {"\\site\\a", "new a"}},
  };
  for (std::size_t killAt = 1; killAt <= expected.size(); ++killAt) {
    SCOPED_TRACE(killAt);
    MemoryFileOperations files;
    files.AddFile("\\site\\a", "old a");
    files.SetHook([&files, killAt](const FileCall&) {
      if (files.calls() == killAt) throw Killed();
    });
    bool killed = false;
    try {
      run(files);
    } catch (const Killed&) {
      killed = true;
    }
    EXPECT_EQ(killed, killAt <= 5);
    EXPECT_EQ(files.Tree(), expected[killAt - 1]);
  }
}

TEST(MemoryFileOperations, WithoutHardLinksNothingIsLinked) {
  MemoryFileOperations files;
  files.AddFile("\\site\\a", "a");
  files.SetHardLinks(false);
  EXPECT_FALSE(files.LinkFile("\\site\\a", "\\site\\b"));
  EXPECT_FALSE(files.Exists("\\site\\b"));
  EXPECT_EQ(files.LookAt("\\site\\a").links, 1u);
  files.SetHardLinks(true);
  EXPECT_TRUE(files.LinkFile("\\site\\a", "\\site\\b"));
  EXPECT_EQ(files.LookAt("\\site\\a").links, 2u);
  EXPECT_EQ(files.LookAt("\\site\\a").inode, files.LookAt("\\site\\b").inode);
}

TEST(MemoryFileOperations, RecordsSyncsAndKeepsDevicesApart) {
  MemoryFileOperations files;
  files.AddFile("\\site\\a", "a");
  files.SetDevice("\\mnt", 7);
  files.SyncFolder("\\site");
  files.SyncFileSystem("\\mnt");
  EXPECT_EQ(files.syncs(), (std::vector<std::string>{"SyncFolder \\site",
                                                     "SyncFileSystem \\mnt"}));
  files.MakeFolder("\\mnt\\sub");
  EXPECT_EQ(files.LookAt("\\mnt\\sub").device, 7u);
  EXPECT_EQ(files.LookAt("\\site\\a").device, 1u);
  EXPECT_EQ(FileErrorOf([&] { files.RenameFile("\\site\\a", "\\mnt\\a"); }),
            "cannot write '/mnt/a': Invalid cross-device link");
  EXPECT_EQ(FileErrorOf([&] { (void)files.LinkFile("\\site\\a", "\\mnt\\a"); }),
            "cannot write '/mnt/a': Invalid cross-device link");
}

TEST(MemoryFileOperations, ChangesTimesAndKeepsThemOnRename) {
  MemoryFileOperations files;
  files.WriteNewFile("\\a", "a", 0644);
  const PathFacts written = files.LookAt("\\a");
  files.WriteNewFile("\\b", "b", 0644);
  EXPECT_LT(written.modifiedNs, files.LookAt("\\b").modifiedNs);
  files.RenameFile("\\a", "\\c");
  EXPECT_EQ(files.LookAt("\\c").modifiedNs, written.modifiedNs);
  EXPECT_EQ(files.LookAt("\\c").inode, written.inode);
}

TEST(MemoryFileOperations, LocksOutliveTheFake) {
  std::unique_ptr<HeldLock> lock;
  {
    MemoryFileOperations files;
    files.AddFolder("\\site");
    lock = files.LockFolder("\\site");
    ASSERT_NE(lock, nullptr);
    EXPECT_EQ(files.LockFolder("\\site"), nullptr);
  }
  lock.reset();
}

TEST(MemoryFileOperations, ATreeOfThousandsMovesAndGoes) {
  MemoryFileOperations files;
  for (int i = 0; i < 3000; ++i) {
    files.AddFile("\\site\\f" + std::to_string(i % 30) + "\\" +
                      std::to_string(i) + ".htm",
                  "x");
  }
  files.AddFile("\\site!", "beside");
  files.RenameFile("\\site", "\\moved");
  EXPECT_EQ(files.FolderEntries("\\moved").size(), 30u);
  EXPECT_EQ(files.Contents("\\moved\\f7\\2707.htm"), "x");
  RemoveFolderTree(files, "\\moved");
  EXPECT_EQ(files.Tree(),
            (std::map<std::string, std::string>{{"\\site!", "beside"}}));
}

TEST(MemoryFileOperations, TwoThreadsAtOnce) {
  MemoryFileOperations files;
  files.AddFolder("\\one");
  files.AddFolder("\\two");
  auto work = [&files](const std::string& folder) {
    for (int i = 0; i < 200; ++i) {
      const std::string path = folder + "\\" + std::to_string(i);
      files.WriteNewFile(path + ".new", "x", files.NewFileMode());
      files.RenameFile(path + ".new", path);
      (void)files.LookAt(path);
      (void)files.FolderEntries(folder);
    }
  };
  std::thread other(work, "\\two");
  work("\\one");
  other.join();
  EXPECT_EQ(files.Tree().size(), 402u);
  EXPECT_EQ(files.calls(), 2u * 200u * 5u);
}

}  // namespace
}  // namespace quillery
