// The installed program: `cmake --install` into a fresh prefix, and the
// program found there converting the example site with its default
// template, header, footer and bullet images, found in ../share/quillery.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadTree;
using testing::RunProgram;
using testing::ScopedTempDir;

TEST(Install, InstalledProgramConvertsTheExampleWithItsDefaults) {
#ifdef _WIN32
  GTEST_SKIP() << "the Windows program is installed from its .zip";
#endif
  ScopedTempDir dir;
  const std::string prefix = dir.File("prefix");
  const std::string install = "cmake --install '" +
                              std::string(QUILLERY_BINARY_DIR) +
                              "' --prefix '" + prefix + "' >/dev/null";
  ASSERT_EQ(std::system(install.c_str()), 0);
  for (const char* file :
       {"bin/quillery", "share/quillery/base.htm", "share/quillery/header.htm",
        "share/quillery/footer.htm", "share/quillery/bullet10001.gif",
        "share/quillery/main10001.gif", "share/quillery/site.css",
        "share/quillery/site.js", "share/man/man1/quillery.1"}) {
    EXPECT_TRUE(testing::Exists(prefix + "/" + file)) << file;
  }
  // Started through a link from elsewhere, the program still finds its
  // files from its real folder.
  std::filesystem::create_directories(dir.File("elsewhere"));
  ASSERT_TRUE(testing::MakeSymbolicLink(prefix + "/bin/quillery",
                                        dir.File("elsewhere/quillery")));

  const std::string example =
      std::string(QUILLERY_SOURCE_DIR) + "/examples/site";
  const std::vector<std::string> words = {"/MAINFILE=site/Report.htm",
                                          "/OPTINCLUDETOC=1",
                                          "/LEVELSTOBREAK=2",
                                          "/TOCBULLETS=1",
                                          "/USINGTEMPLATE=1",
                                          "/USEHEADER=1",
                                          "/USEFOOTER=1"};
  std::map<std::string, std::string> sites[2];
  const std::string programs[2] = {dir.File("elsewhere/quillery"),
                                   QUILLERY_EXE};
  for (int run = 0; run < 2; ++run) {
    const std::string work = dir.File("work" + std::to_string(run));
    std::filesystem::create_directories(work);
    std::filesystem::copy(example, work + "/site",
                          std::filesystem::copy_options::recursive);
    const auto result = RunProgram(programs[run], words, work);
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.err, "quillery: converted in place: open '" + work +
                              "/site/Report.htm'\n");
    sites[run] = ReadTree(work + "/site");
  }
  EXPECT_EQ(sites[0], sites[1]);
  EXPECT_NE(sites[0]["Report_body_p1.htm"].find("<meta name=\"viewport\""),
            std::string::npos);  // the default template's
}

}  // namespace
}  // namespace quillery
