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

std::vector<std::string> PathComponents(std::string_view path) {
  std::vector<std::string> components;
  std::size_t begin = 0;
  while (begin <= path.size()) {
    std::size_t end = path.find_first_of("/\\", begin);
    if (end == std::string_view::npos) end = path.size();
    const std::string_view component = path.substr(begin, end - begin);
    begin = end + 1;
    if (!component.empty() && component != ".")
      components.emplace_back(component);
  }
  return components;
}

}  // namespace quillery
