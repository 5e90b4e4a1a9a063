// Whole-program runs where no thread can start, as under a tight limit on
// processes: each step that works beside another does it on the one thread
// there is, and the run writes what a run with threads writes. The limit is
// made by a library preloaded into the run, so on Linux only, and not under
// the sanitizers, whose runtime must be the first library loaded.
#include <gtest/gtest.h>

#include <cstddef>
#include <map>
#include <string>
#include <vector>

#include "tests/test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define QUILLERY_TESTS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
#define QUILLERY_TESTS_SANITIZED 1
#endif
#endif

namespace quillery {
namespace {

#if defined(QUILLERY_NO_THREADS_SHIM) && !defined(QUILLERY_TESTS_SANITIZED)

using testing::ReadTree;
using testing::RunProgram;
using testing::RunQuillery;
using testing::RunResult;
using testing::ScopedTempDir;
using testing::WriteBytes;

// A frames site of `pages` pages of about `pageBytes` each, every page
// linking to another and the contents linking to every page: enough pages
// for the contents links to be located in two halves, and with pageBytes
// large, a document read in two halves into pages taken ahead.
void WriteSite(const std::string& folder, std::size_t pages,
               std::size_t pageBytes) {
  std::string content = "<html><head><title>Birds</title></head><body>\r\n";
  std::string toc = "<html><body>\r\n";
  const std::string filler = "<p>The tide came in over the flats.</p>\r\n";
  for (std::size_t page = 0; page < pages; ++page) {
    const std::string n = std::to_string(page);
    const std::string other = std::to_string((page * 7 + 3) % pages);
    std::string text = "<h1><a name=\"_Toc" + n + "\">Heading " + n +
                       "</a></h1>\r\n<p>See <a href=\"#_Toc" + other +
                       "\">heading " + other + "</a>.</p>\r\n";
    while (text.size() < pageBytes) text += filler;
    content += text;
    toc += "<p class=MsoToc1><a href=\"Body.htm#_Toc" + n + "\">Heading " + n +
           "</a></p>\r\n";
  }
  WriteBytes(folder + "/Body.htm", content + "</body></html>\r\n");
  WriteBytes(folder + "/toc.htm", toc + "</body></html>\r\n");
  WriteBytes(folder + "/doc.htm",
             "<html><frameset cols=\"245,*\">\r\n<frame name=TOC "
             "src=\"toc.htm\">\r\n<frame name=Frame1 src=\"Body.htm\">\r\n"
             "</frameset></html>\r\n");
}

TEST(ThreadLimitRun, WritesWhatARunWithThreadsWrites) {
  struct Mode {
    const char* name;
    std::vector<std::string> words;  // "@" stands for the run's folder
    std::string mainFile;
    std::size_t pages;
    std::size_t pageBytes;
  };
  const Mode modes[] = {
      {"in place, a large document", {"/LEVELSTOBREAK=1", "/TOCBULLETS=1"},
       "doc.htm", 100, 180 * 1024},
      {"into a folder", {"/LEVELSTOBREAK=1", "/OUTDIR=@/out"}, "doc.htm", 90,
       1000},
      {"the shipped template",
       {"/LEVELSTOBREAK=1", "/USINGTEMPLATE=1", "/USEHEADER=1",
        "/USEFOOTER=1"},
       "doc.htm", 90, 1000},
      {"from a plain page", {"/LEVELSTOBREAK=1", "/BUILDTOC=1"}, "Body.htm",
       90, 1000},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.name);
    std::map<std::string, std::string> trees[2];
    for (const bool limited : {false, true}) {
      ScopedTempDir dir;
      WriteSite(dir.File("site"), mode.pages, mode.pageBytes);
      std::vector<std::string> words = {
          "/MAINFILE=" + dir.File("site/" + mode.mainFile), "/OPTINCLUDETOC=1"};
      for (const std::string& word : mode.words) {
        const std::size_t at = word.find('@');
        words.push_back(at == std::string::npos
                            ? word
                            : word.substr(0, at) + dir.path() +
                                  word.substr(at + 1));
      }
      RunResult result;
      if (limited) {
        words.insert(words.begin(), QUILLERY_EXE);
        words.insert(words.begin(),
                     std::string("LD_PRELOAD=") + QUILLERY_NO_THREADS_SHIM);
        result = RunProgram("/usr/bin/env", words, dir.path());
      } else {
        result = RunQuillery(words, dir.path());
      }
      ASSERT_EQ(result.exitStatus, 0) << result.err;
      trees[limited] = ReadTree(dir.path());
      // The one file that names the folder the run was made in.
      trees[limited].erase("out/.quillery-output");
    }
    EXPECT_GT(trees[0].size(), mode.pages);
    EXPECT_EQ(trees[1], trees[0]);
  }
}

#elif !defined(QUILLERY_NO_THREADS_SHIM)

TEST(ThreadLimitRun, WritesWhatARunWithThreadsWrites) {
  GTEST_SKIP() << "the limit is made by a preloaded library, on Linux only";
}

#else

TEST(ThreadLimitRun, WritesWhatARunWithThreadsWrites) {
  GTEST_SKIP() << "the sanitizers' runtime must be the first library loaded";
}

#endif

}  // namespace
}  // namespace quillery
