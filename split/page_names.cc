// Page name rules; see page_names.h.
#include "split/page_names.h"

namespace quillery {

std::string PageNameOf(std::string source) {
  const std::size_t backslash = source.rfind('\\');
  if (backslash != std::string::npos) source.erase(0, backslash + 1);
  if (source.empty()) return "TOC.htm";
  return source;
}

std::string StripHtmExtension(std::string name) {
  std::size_t extension = name.find(".htm");
  if (extension == std::string::npos || extension == 0) return name;
  name.resize(extension);
  return name;
}

}  // namespace quillery
