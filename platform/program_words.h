// What the program is started with and where its messages go: the words of
// its command line as UTF-8, and a console that shows UTF-8.
#ifndef QUILLERY_PLATFORM_PROGRAM_WORDS_H_
#define QUILLERY_PLATFORM_PROGRAM_WORDS_H_

#include <string>
#include <vector>

namespace quillery {

// The words after the program's name. POSIX systems hand them over as bytes
// (`argv`); Windows reads its UTF-16 command line and gives each word in
// UTF-8, so that "/MAINFILE=C:\Users\Zoë\Bericht.htm" arrives whole.
[[nodiscard]] std::vector<std::string> ProgramWords(int argc, char** argv);

// Makes the standard output and error pass the program's UTF-8 bytes as
// they are: on Windows the console shows UTF-8 (its earlier code page comes
// back when the program ends) and "\n" is not widened to "\r\n". Nothing to
// do elsewhere.
void UseUtf8Output();

}  // namespace quillery

#endif  // QUILLERY_PLATFORM_PROGRAM_WORDS_H_
