// The file system in memory; see memory_file_operations.h. Every node lies
// in one sorted map under its key, the internal path with "\" alone
// ("\site\sub\toc.htm", the root "\"), so a folder and all below it are one
// run of keys, and each folder keeps the names in it as well. When letter
// case folds, a key is the path with its case folded (FoldedLetterCase keeps
// every separator where it is), and each folder keeps its names as they were
// made beside their folded forms.
#include "convert/memory_file_operations.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <set>
#include <stdexcept>
#include <utility>

#include "text/site_path.h"

namespace quillery {

struct MemoryFileOperations::LockTable {
  std::mutex mutex;
  std::set<std::string> held;
};

namespace {

constexpr int kMaxLinkHops = 40;  // as Linux gives up with ELOOP

FileError Failure(std::string_view verb, const std::string& path, int error) {
  return FileError("cannot " + std::string(verb) + " '" + NativePath(path) +
                   "': " + std::strerror(error));
}

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// The names of a path, either separator, empty names and "." left out.
std::vector<std::string> Components(const std::string& path) {
  std::vector<std::string> names;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = start;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string name = path.substr(start, end - start);
    if (!name.empty() && name != ".") names.push_back(std::move(name));
    start = end + 1;
  }
  return names;
}

std::string Child(const std::string& key, const std::string& name) {
  return key == "\\" ? "\\" + name : key + "\\" + name;
}

std::string ParentOf(const std::string& key) {
  const std::size_t separator = key.rfind('\\');
  return separator == 0 || separator == std::string::npos
             ? std::string("\\")
             : key.substr(0, separator);
}

std::string NameOf(const std::string& key) {
  return key.substr(key.rfind('\\') + 1);
}

// True when `key` lies below `folder` (not the folder itself).
bool IsBelow(const std::string& key, const std::string& folder) {
  if (folder == "\\") return key != "\\";
  return key.size() > folder.size() + 1 &&
         key.compare(0, folder.size(), folder) == 0 &&
         key[folder.size()] == '\\';
}

// A path with ".." folded lexically, for setting up.
std::string LexicalPath(const std::string& path) {
  std::string folded = "\\";
  for (const std::string& name : Components(path)) {
    folded = name == ".." ? ParentOf(folded) : Child(folded, name);
  }
  return folded;
}

// The names of a path for the calls that follow no link: ".." is refused,
// as the real door refuses it.
std::vector<std::string> NamesOf(const std::string& path,
                                 std::string_view verb) {
  std::vector<std::string> names = Components(path);
  for (const std::string& name : names) {
    if (name == "..") {
      throw FileError("cannot " + std::string(verb) + " '" + NativePath(path) +
                      "': it names \"..\"");
    }
  }
  return names;
}

}  // namespace

class MemoryFileOperations::Lock : public HeldLock {
 public:
  Lock(std::shared_ptr<LockTable> table, std::string key)
      : table_(std::move(table)), key_(std::move(key)) {}
  ~Lock() override {
    std::lock_guard<std::mutex> hold(table_->mutex);
    table_->held.erase(key_);
  }

 private:
  std::shared_ptr<LockTable> table_;
  std::string key_;
};

MemoryFileOperations::MemoryFileOperations()
    : locks_(std::make_shared<LockTable>()) {
  Node root;
  root.inode = std::make_shared<Inode>();
  root.inode->mode = 0755;
  root.inode->number = 1;
  nodes_.emplace("\\", std::move(root));
}

MemoryFileOperations::~MemoryFileOperations() = default;

// Setting up and reading back.

void MemoryFileOperations::MakeFolders(const std::string& path) {
  const std::string key = KeyOf(path);
  if (key == "\\") return;
  if (const Node* node = Find(key)) {
    if (node->kind != Kind::kFolder) {
      throw std::logic_error("'" + path + "' is in the way of a folder");
    }
    return;
  }
  MakeFolders(ParentOf(path));
  Node folder;
  folder.inode = NewInode(ParentOf(key));
  folder.inode->mode = 0755;
  Insert(key, NameOf(path), std::move(folder));
}

void MemoryFileOperations::AddFolder(const std::string& path) {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string lexical = LexicalPath(path);
  const std::string key = KeyOf(lexical);
  const Node* node = Find(key);
  if (node && node->kind != Kind::kFolder) Erase(key);
  MakeFolders(lexical);
}

void MemoryFileOperations::AddFile(const std::string& path,
                                   std::string_view bytes, std::uint32_t mode) {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string lexical = LexicalPath(path);
  const std::string key = KeyOf(lexical);
  MakeFolders(ParentOf(lexical));
  if (Find(key)) Erase(key);
  Node file;
  file.kind = Kind::kFile;
  file.inode = NewInode(ParentOf(key));
  file.inode->bytes = std::string(bytes);
  file.inode->mode = mode;
  Insert(key, NameOf(lexical), std::move(file));
}

void MemoryFileOperations::AddLink(const std::string& path,
                                   const std::string& target) {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string lexical = LexicalPath(path);
  const std::string key = KeyOf(lexical);
  MakeFolders(ParentOf(lexical));
  if (Find(key)) Erase(key);
  Node link;
  link.kind = Kind::kLink;
  link.inode = NewInode(ParentOf(key));
  link.inode->bytes = target;
  link.inode->mode = 0777;
  Insert(key, NameOf(lexical), std::move(link));
}

void MemoryFileOperations::SetDevice(const std::string& folder,
                                     std::uint64_t device) {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string lexical = LexicalPath(folder);
  MakeFolders(lexical);
  Find(KeyOf(lexical))->inode->device = device;
}

std::optional<std::string> MemoryFileOperations::Contents(
    const std::string& path) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const Node* node = Find(KeyOf(LexicalPath(path)));
  if (!node || node->kind != Kind::kFile) return std::nullopt;
  return node->inode->bytes;
}

std::map<std::string, std::string> MemoryFileOperations::Tree(
    const std::string& folder) const {
  std::lock_guard<std::mutex> hold(mutex_);
  const std::string key = KeyOf(LexicalPath(folder));
  std::map<std::string, std::string> tree;
  // Keys below "\a" run from "\a\" to just before "\a]".
  auto it =
      key == "\\" ? std::next(nodes_.begin()) : nodes_.lower_bound(key + "\\");
  for (; it != nodes_.end() && IsBelow(it->first, key); ++it) {
    const Node& node = it->second;
    const std::string path = PathAsMade(it->first);
    switch (node.kind) {
      case Kind::kFolder:
        tree.emplace(path + "\\", std::string());
        break;
      case Kind::kFile:
        tree.emplace(path, node.inode->bytes);
        break;
      case Kind::kLink:
        tree.emplace(path, "-> " + node.inode->bytes);
        break;
    }
  }
  return tree;
}

void MemoryFileOperations::SetHook(std::function<void(const FileCall&)> hook) {
  std::lock_guard<std::mutex> hold(mutex_);
  hook_ = std::move(hook);
}

std::size_t MemoryFileOperations::calls() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return calls_;
}

void MemoryFileOperations::SetFoldsLetterCase(bool folds) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (!nodes_.at("\\").names.empty()) {
    throw std::logic_error("letter case is chosen before anything is added");
  }
  foldsLetterCase_ = folds;
}

void MemoryFileOperations::SetHardLinks(bool available) {
  std::lock_guard<std::mutex> hold(mutex_);
  hardLinks_ = available;
}

void MemoryFileOperations::SetExchange(bool available) {
  std::lock_guard<std::mutex> hold(mutex_);
  exchange_ = available;
}

void MemoryFileOperations::SetWritesAtOnce(std::size_t threads) {
  std::lock_guard<std::mutex> hold(mutex_);
  writesAtOnce_ = threads;
}

std::vector<std::string> MemoryFileOperations::syncs() const {
  std::lock_guard<std::mutex> hold(mutex_);
  return syncs_;
}

// The tree itself.

MemoryFileOperations::Node* MemoryFileOperations::Find(const std::string& key) {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

const MemoryFileOperations::Node* MemoryFileOperations::Find(
    const std::string& key) const {
  auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

std::string MemoryFileOperations::KeyOf(const std::string& path) const {
  return foldsLetterCase_ ? FoldedLetterCase(path) : path;
}

std::string MemoryFileOperations::PathAsMade(const std::string& key) const {
  if (!foldsLetterCase_ || key == "\\") return key;
  return Child(PathAsMade(ParentOf(key)),
               Find(ParentOf(key))->names.at(NameOf(key)));
}

void MemoryFileOperations::Insert(const std::string& key,
                                  const std::string& name, Node node) {
  Find(ParentOf(key))->names[NameOf(key)] = name;
  nodes_.emplace(key, std::move(node));
  Touch(ParentOf(key));
}

void MemoryFileOperations::Erase(const std::string& key) {
  for (auto& [below, node] : Extract(key)) --node.inode->links;
}

MemoryFileOperations::Subtree MemoryFileOperations::Extract(
    const std::string& key) {
  Subtree subtree;
  auto it = nodes_.find(key);
  subtree.emplace_back(std::string(), std::move(it->second));
  nodes_.erase(it);
  // "\a!" sorts between "\a" and "\a\b": the names below start further on.
  it = nodes_.lower_bound(key + "\\");
  while (it != nodes_.end() && IsBelow(it->first, key)) {
    subtree.emplace_back(it->first.substr(key.size()), std::move(it->second));
    it = nodes_.erase(it);
  }
  Find(ParentOf(key))->names.erase(NameOf(key));
  Touch(ParentOf(key));
  return subtree;
}

void MemoryFileOperations::Place(const std::string& key,
                                 const std::string& name, Subtree subtree) {
  Find(ParentOf(key))->names[NameOf(key)] = name;
  Touch(ParentOf(key));
  for (auto& [below, node] : subtree) {
    nodes_.emplace(key + below, std::move(node));
  }
}

std::shared_ptr<MemoryFileOperations::Inode> MemoryFileOperations::NewInode(
    const std::string& parentKey) {
  auto inode = std::make_shared<Inode>();
  inode->device = Find(parentKey)->inode->device;
  inode->number = nextInode_++;
  inode->modifiedNs = clock_ += 1000;
  return inode;
}

void MemoryFileOperations::Touch(const std::string& folderKey) {
  Find(folderKey)->inode->modifiedNs = clock_ += 1000;
}

void MemoryFileOperations::Enter(std::string_view name, const std::string& path,
                                 const std::string& to) {
  std::function<void(const FileCall&)> hook;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    ++calls_;
    hook = hook_;
  }
  if (hook) hook(FileCall{name, path, to});
}

// Paths as the system resolves them for open, stat and realpath.
int MemoryFileOperations::Resolve(const std::string& path,
                                  std::string& key) const {
  std::vector<std::string> pending = Components(path);
  std::reverse(pending.begin(), pending.end());
  key = "\\";
  int hops = 0;
  while (!pending.empty()) {
    const std::string name = std::move(pending.back());
    pending.pop_back();
    if (name == "..") {
      key = ParentOf(key);
      continue;
    }
    const std::string next = Child(key, KeyOf(name));
    const Node* node = Find(next);
    if (!node) return ENOENT;
    if (node->kind == Kind::kLink) {
      if (++hops > kMaxLinkHops) return ELOOP;
      const std::string& target = node->inode->bytes;
      if (!target.empty() && IsSeparator(target[0])) key = "\\";
      std::vector<std::string> names = Components(target);
      pending.insert(pending.end(), names.rbegin(), names.rend());
      continue;
    }
    if (!pending.empty() && node->kind != Kind::kFolder) return ENOTDIR;
    key = next;
  }
  return 0;
}

// Paths as the real door opens them: one folder at a time from the root,
// never through a link.
std::string MemoryFileOperations::OpenFolder(
    const std::vector<std::string>& names, std::size_t count,
    const std::string& path, std::string_view verb, bool missingIsEmpty) const {
  std::string key = "\\";
  for (std::size_t i = 0; i < count; ++i) {
    key = Child(key, KeyOf(names[i]));
    const Node* node = Find(key);
    if (node && node->kind == Kind::kLink) {
      throw FileError("cannot " + std::string(verb) + " '" + NativePath(path) +
                      "': '" + NativePath(key) +
                      "' is a symbolic link, which quillery does not follow");
    }
    if (!node || node->kind != Kind::kFolder) {
      if (missingIsEmpty) return std::string();
      throw Failure(verb, path, node ? ENOTDIR : ENOENT);
    }
  }
  return key;
}

MemoryFileOperations::TwoPlaces MemoryFileOperations::PlacesOf(
    const std::string& from, const std::string& to) const {
  TwoPlaces places;
  std::string fromName;
  std::string toName;
  places.fromFolder = PlaceOf(from, "write", fromName);
  places.toFolder = PlaceOf(to, "write", toName);
  places.fromKey = Child(places.fromFolder, KeyOf(fromName));
  places.toKey = Child(places.toFolder, KeyOf(toName));
  places.toName = toName;
  return places;
}

bool MemoryFileOperations::OnOneDevice(const TwoPlaces& places) const {
  return Find(places.fromFolder)->inode->device ==
         Find(places.toFolder)->inode->device;
}

std::string MemoryFileOperations::PlaceOf(const std::string& path,
                                          std::string_view verb,
                                          std::string& name) const {
  const std::vector<std::string> names = NamesOf(path, verb);
  if (names.empty()) throw Failure(verb, path, EISDIR);
  name = names.back();
  return OpenFolder(names, names.size() - 1, path, verb,
                    /*missingIsEmpty=*/false);
}

std::string MemoryFileOperations::FolderAt(const std::string& path,
                                           std::string_view verb) const {
  const std::vector<std::string> names = NamesOf(path, verb);
  return OpenFolder(names, names.size(), path, verb, /*missingIsEmpty=*/false);
}

// Reading the user's files.

std::string MemoryFileOperations::ReadResolved(const std::string& path,
                                               bool refuseZeroByte) {
  std::lock_guard<std::mutex> hold(mutex_);
  std::string key;
  const int error = Resolve(path, key);
  if (error != 0) throw Failure("read", path, error);
  const Node& node = *Find(key);
  if (node.kind == Kind::kFolder) throw Failure("read", path, EISDIR);
  if (refuseZeroByte && node.inode->bytes.find('\0') != std::string::npos) {
    throw FileError("cannot read '" + NativePath(path) +
                    "': it holds a zero byte (a UTF-16 or binary file?)");
  }
  return node.inode->bytes;
}

std::string MemoryFileOperations::ReadText(const std::string& path) {
  Enter("ReadText", path);
  return ReadResolved(path, /*refuseZeroByte=*/true);
}

std::string MemoryFileOperations::ReadBytes(const std::string& path) {
  Enter("ReadBytes", path);
  return ReadResolved(path, /*refuseZeroByte=*/false);
}

std::optional<std::string> MemoryFileOperations::RealPath(
    const std::string& path) {
  Enter("RealPath", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string key;
  if (Resolve(path, key) != 0) return std::nullopt;
  return PathAsMade(key);
}

bool MemoryFileOperations::Exists(const std::string& path) {
  Enter("Exists", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string key;
  return Resolve(path, key) == 0;
}

bool MemoryFileOperations::CanOpenForReading(const std::string& path) {
  Enter("CanOpenForReading", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string key;
  return Resolve(path, key) == 0 && Find(key)->kind != Kind::kFolder;
}

std::unique_ptr<HeldLock> MemoryFileOperations::LockFolder(
    const std::string& folder) {
  Enter("LockFolder", folder);
  std::string key;
  {
    std::lock_guard<std::mutex> hold(mutex_);
    const int error = Resolve(folder, key);
    if (error != 0) throw Failure("read", folder, error);
    if (Find(key)->kind != Kind::kFolder) {
      throw Failure("read", folder, ENOTDIR);
    }
  }
  std::lock_guard<std::mutex> hold(locks_->mutex);
  if (!locks_->held.insert(key).second) return nullptr;
  return std::make_unique<Lock>(locks_, key);
}

std::uint32_t MemoryFileOperations::NewFileMode() {
  Enter("NewFileMode", std::string());
  return 0644;
}

std::size_t MemoryFileOperations::WritesAtOnce() {
  std::lock_guard<std::mutex> hold(mutex_);
  return writesAtOnce_;
}

// Looking at what the writer makes.

PathFacts MemoryFileOperations::LookAt(const std::string& path) {
  Enter("LookAt", path);
  std::lock_guard<std::mutex> hold(mutex_);
  const std::vector<std::string> names = NamesOf(path, "read");
  std::string key = "\\";
  if (!names.empty()) {
    const std::string folder = OpenFolder(names, names.size() - 1, path, "read",
                                          /*missingIsEmpty=*/true);
    if (folder.empty()) return PathFacts();
    key = Child(folder, KeyOf(names.back()));
  }
  const Node* node = Find(key);
  if (!node) return PathFacts();
  PathFacts facts;
  facts.exists = true;
  facts.isRegular = node->kind == Kind::kFile;
  facts.isFolder = node->kind == Kind::kFolder;
  facts.isLink = node->kind == Kind::kLink;
  facts.size = node->kind == Kind::kFolder ? 0 : node->inode->bytes.size();
  facts.modifiedNs = node->inode->modifiedNs;
  facts.mode = node->inode->mode;
  facts.device = node->inode->device;
  facts.inode = node->inode->number;
  facts.links = node->kind == Kind::kFolder ? 2 : node->inode->links;
  return facts;
}

std::vector<std::string> MemoryFileOperations::FolderEntries(
    const std::string& path) {
  Enter("FolderEntries", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::vector<std::string> entries;
  for (const auto& [key, name] : Find(FolderAt(path, "read"))->names) {
    entries.push_back(name);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

std::string MemoryFileOperations::ReadFile(const std::string& path,
                                           std::uint64_t maxBytes) {
  Enter("ReadFile", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string name;
  const std::string folder = PlaceOf(path, "read", name);
  const Node* node = Find(Child(folder, KeyOf(name)));
  if (!node) throw Failure("read", path, ENOENT);
  std::string problem;
  if (node->kind == Kind::kLink) {
    problem = "it is a symbolic link, which quillery does not follow";
  } else if (node->kind != Kind::kFile) {
    problem = "it is not a regular file";
  } else if (node->inode->bytes.size() > maxBytes) {
    problem = "it is larger than " + std::to_string(maxBytes) + " bytes";
  }
  if (!problem.empty()) {
    throw FileError("cannot read '" + NativePath(path) + "': " + problem);
  }
  return node->inode->bytes;
}

// Changing.

void MemoryFileOperations::MakeFolder(const std::string& path) {
  Enter("MakeFolder", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string name;
  const std::string folder = PlaceOf(path, "write", name);
  const std::string key = Child(folder, KeyOf(name));
  if (Find(key)) throw Failure("write", path, EEXIST);
  Node node;
  node.inode = NewInode(folder);
  node.inode->mode = 0755;
  Insert(key, name, std::move(node));
}

void MemoryFileOperations::WriteNewFile(const std::string& path,
                                        std::string_view bytes,
                                        std::uint32_t mode) {
  Enter("WriteNewFile", path);
  std::lock_guard<std::mutex> hold(mutex_);
  MakeNewFile(path, std::string(bytes), mode);
}

void MemoryFileOperations::MakeNewFile(const std::string& path,
                                       std::string bytes, std::uint32_t mode) {
  std::string name;
  const std::string folder = PlaceOf(path, "write", name);
  const std::string key = Child(folder, KeyOf(name));
  if (Find(key)) throw Failure("write", path, EEXIST);
  Node node;
  node.kind = Kind::kFile;
  node.inode = NewInode(folder);
  node.inode->bytes = std::move(bytes);
  node.inode->mode = mode;
  Insert(key, name, std::move(node));
}

bool MemoryFileOperations::FoldsLetterCase(const std::string& folder) {
  Enter("FoldsLetterCase", folder);
  std::lock_guard<std::mutex> hold(mutex_);
  (void)FolderAt(folder, "read");
  return foldsLetterCase_;
}

void MemoryFileOperations::CopyNewFile(const std::string& from,
                                       const std::string& to,
                                       std::uint32_t mode) {
  Enter("CopyNewFile", from, to);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string fromName;
  const std::string fromFolder = PlaceOf(from, "read", fromName);
  const Node* source = Find(Child(fromFolder, KeyOf(fromName)));
  if (!source) throw Failure("read", from, ENOENT);
  if (source->kind == Kind::kLink) {
    throw FileError("cannot read '" + NativePath(from) +
                    "': it is a symbolic link, which quillery does not follow");
  }
  if (source->kind != Kind::kFile) {
    throw FileError("cannot read '" + NativePath(from) +
                    "': it is not a regular file");
  }
  MakeNewFile(to, source->inode->bytes, mode);
}

void MemoryFileOperations::SyncFileSystem(const std::string& path) {
  Enter("SyncFileSystem", path);
  std::lock_guard<std::mutex> hold(mutex_);
  (void)FolderAt(path, "write");
  syncs_.push_back("SyncFileSystem " + path);
}

void MemoryFileOperations::SyncFolder(const std::string& path) {
  Enter("SyncFolder", path);
  std::lock_guard<std::mutex> hold(mutex_);
  (void)FolderAt(path, "write");
  syncs_.push_back("SyncFolder " + path);
}

void MemoryFileOperations::RenameFile(const std::string& from,
                                      const std::string& to) {
  Enter("RenameFile", from, to);
  std::lock_guard<std::mutex> hold(mutex_);
  RenameHeld(from, to);
}

void MemoryFileOperations::RenameNewFile(const std::string& from,
                                         const std::string& to) {
  Enter("RenameNewFile", from, to);
  std::lock_guard<std::mutex> hold(mutex_);
  const TwoPlaces places = PlacesOf(from, to);
  if (!Find(places.fromKey)) throw Failure("write", to, ENOENT);
  if (Find(places.toKey)) throw Failure("write", to, EEXIST);
  RenameHeld(from, to);
}

void MemoryFileOperations::RenameHeld(const std::string& from,
                                      const std::string& to) {
  const TwoPlaces places = PlacesOf(from, to);
  const std::string& fromKey = places.fromKey;
  const std::string& toKey = places.toKey;
  const Node* source = Find(fromKey);
  if (!source) throw Failure("write", to, ENOENT);
  // Another case of the same name: the name changes in place.
  if (fromKey == toKey) {
    std::string& name = Find(places.fromFolder)->names.at(NameOf(fromKey));
    if (name == places.toName) return;
    name = places.toName;
    Touch(places.fromFolder);
    return;
  }
  const Node* target = Find(toKey);
  // Two names of one file: rename does nothing, as on the disk.
  if (target && target->inode == source->inode) return;
  if (!OnOneDevice(places)) throw Failure("write", to, EXDEV);
  // As the system checks: a folder into itself, then onto a folder above.
  if (IsBelow(toKey, fromKey)) throw Failure("write", to, EINVAL);
  if (IsBelow(fromKey, toKey)) throw Failure("write", to, ENOTEMPTY);
  if (source->kind == Kind::kFolder) {
    if (target && target->kind != Kind::kFolder) {
      throw Failure("write", to, ENOTDIR);
    }
    if (target && !target->names.empty()) {
      throw Failure("write", to, ENOTEMPTY);
    }
  } else if (target && target->kind == Kind::kFolder) {
    throw Failure("write", to, EISDIR);
  }
  if (target) Erase(toKey);
  Place(toKey, places.toName, Extract(fromKey));
}

bool MemoryFileOperations::ExchangeFolders(const std::string& first,
                                           const std::string& second) {
  Enter("ExchangeFolders", first, second);
  std::lock_guard<std::mutex> hold(mutex_);
  if (!exchange_) return false;
  const TwoPlaces places = PlacesOf(first, second);
  const std::string& firstKey = places.fromKey;
  const std::string& secondKey = places.toKey;
  if (!Find(firstKey) || !Find(secondKey)) {
    throw Failure("write", second, ENOENT);
  }
  if (firstKey == secondKey) return true;
  if (IsBelow(firstKey, secondKey) || IsBelow(secondKey, firstKey)) {
    throw Failure("write", second, EINVAL);
  }
  if (!OnOneDevice(places)) throw Failure("write", second, EXDEV);
  // Each name stays in its folder as it was; what it stands for changes.
  const std::string firstName =
      Find(ParentOf(firstKey))->names.at(NameOf(firstKey));
  const std::string secondName =
      Find(ParentOf(secondKey))->names.at(NameOf(secondKey));
  Subtree firstTree = Extract(firstKey);
  Subtree secondTree = Extract(secondKey);
  Place(firstKey, firstName, std::move(secondTree));
  Place(secondKey, secondName, std::move(firstTree));
  return true;
}

bool MemoryFileOperations::LinkFile(const std::string& from,
                                    const std::string& to) {
  Enter("LinkFile", from, to);
  std::lock_guard<std::mutex> hold(mutex_);
  const TwoPlaces places = PlacesOf(from, to);
  const Node* source = Find(places.fromKey);
  const std::string& toKey = places.toKey;
  if (!source) throw Failure("write", to, ENOENT);
  if (Find(toKey)) throw Failure("write", to, EEXIST);
  // A folder takes no second name (EPERM), which the real door reports as
  // no hard links.
  if (source->kind == Kind::kFolder) return false;
  if (!OnOneDevice(places)) throw Failure("write", to, EXDEV);
  if (!hardLinks_) return false;
  Node name;
  name.kind = source->kind;
  name.inode = source->inode;
  ++name.inode->links;
  Insert(toKey, places.toName, std::move(name));
  return true;
}

void MemoryFileOperations::RemoveFile(const std::string& path) {
  Enter("RemoveFile", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string name;
  const std::string folder = PlaceOf(path, "remove", name);
  const std::string key = Child(folder, KeyOf(name));
  const Node* node = Find(key);
  if (!node) throw Failure("remove", path, ENOENT);
  if (node->kind == Kind::kFolder) throw Failure("remove", path, EISDIR);
  Erase(key);
}

void MemoryFileOperations::RemoveFolder(const std::string& path) {
  Enter("RemoveFolder", path);
  std::lock_guard<std::mutex> hold(mutex_);
  std::string name;
  const std::string folder = PlaceOf(path, "remove", name);
  const std::string key = Child(folder, KeyOf(name));
  const Node* node = Find(key);
  if (!node) throw Failure("remove", path, ENOENT);
  if (node->kind != Kind::kFolder) throw Failure("remove", path, ENOTDIR);
  if (!node->names.empty()) throw Failure("remove", path, ENOTEMPTY);
  Erase(key);
}

}  // namespace quillery
