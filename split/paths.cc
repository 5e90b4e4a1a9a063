// Backslash path operations; see paths.h.
#include "split/paths.h"

namespace quillery {

std::string DirectoryOf(std::string path) {
  std::size_t slash = path.rfind('\\');
  if (slash == std::string::npos) return std::string();
  path.resize(slash);
  return path;
}

std::string FileNameOf(std::string path) {
  std::size_t slash = path.rfind('\\');
  if (slash != std::string::npos) path.erase(0, slash + 1);
  if (path.empty()) return "TOC.htm";
  return path;
}

std::string StripHtmExtension(std::string name) {
  std::size_t extension = name.find(".htm");
  if (extension == std::string::npos || extension == 0) return name;
  name.resize(extension);
  return name;
}

}  // namespace quillery
