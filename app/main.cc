// quillery: finishes a frames page saved by the word processor as a small
// multi-page site. Exit status 0 when start-up succeeds (also when no
// conversion was asked for), 1 when start-up fails, a file cannot be read or
// written, or a run is refused or finds no TOC frame.
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "app/startup.h"
#include "platform/file_io.h"
#include "platform/program_words.h"
#include "text/bytes.h"

int main(int argc, char** argv) {
  quillery::UseUtf8Output();
  const std::vector<std::string> words = quillery::ProgramWords(argc, argv);
  quillery::RememberProgramPath(argc > 0 ? argv[0] : "");
  try {
    quillery::QuilleryApp app(quillery::ProgramFilesFolder(), std::cout,
                              std::cerr, quillery::StandardErrorIsTerminal());
    return app.InitInstance(words);
  } catch (const std::exception& error) {
    std::cerr << "quillery: " << quillery::EscapeControlBytes(error.what())
              << "\n";
    return 1;
  }
}
