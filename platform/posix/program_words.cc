// The command line as the system hands it over; see program_words.h.
#include "platform/program_words.h"

namespace quillery {

std::vector<std::string> ProgramWords(int argc, char** argv) {
  if (argc < 1) return {};
  return std::vector<std::string>(argv + 1, argv + argc);
}

void UseUtf8Output() {}

}  // namespace quillery
