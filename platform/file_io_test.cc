#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "tests/test_support.h"

namespace quillery {
namespace {

using testing::ReadBytes;
using testing::ReadTree;
using testing::ScopedTempDir;
using testing::WriteBytes;

std::string ErrorOf(void (*action)(const std::string&),
                    const std::string& path) {
  try {
    action(path);
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

TEST(InternalPath, MakesTypedPathsAbsoluteWithBackslashes) {
  EXPECT_EQ(InternalPath("/home/me/My Site/doc.htm"),
            "\\home\\me\\My Site\\doc.htm");
  EXPECT_EQ(InternalPath("\\opt\\q"), "\\opt\\q");
  const std::string relative = InternalPath("site/doc.htm");
  EXPECT_EQ(relative.front(), '\\');
  EXPECT_EQ(relative.substr(relative.size() - 13), "\\site\\doc.htm");
  EXPECT_EQ(NativePath("\\tmp\\site\\doc_files/toc a.htm"),
            "/tmp/site/doc_files/toc a.htm");
}

TEST(WriteFileAtomically, ReplacesTheWholeFileAndKeepsItsPermissions) {
  ScopedTempDir dir;
  const std::string path = dir.File("page.htm");
  WriteBytes(path, "an older and longer text");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  WriteFileAtomically(InternalPath(path), std::string("new\0\r\n", 6));
  EXPECT_EQ(ReadBytes(path), std::string("new\0\r\n", 6));
  struct stat info;
  ASSERT_EQ(stat(path.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
  EXPECT_EQ(ReadTree(dir.path()).size(), 1u);  // no temporary left
}

TEST(WriteFileAtomically, FailureNamesTheFileAndLeavesNothing) {
  ScopedTempDir dir;
  const std::string path = dir.File("missing/page.htm");
  EXPECT_EQ(ErrorOf([](const std::string& p) { WriteFileAtomically(p, "x"); },
                    InternalPath(path)),
            "cannot write '" + path + "': No such file or directory");
  EXPECT_TRUE(ReadTree(dir.path()).empty());
}

TEST(ReadFile, RefusesMissingFilesAndZeroBytes) {
  ScopedTempDir dir;
  WriteBytes(dir.File("utf16.htm"), std::string("<\0h\0", 4));
  auto read = [](const std::string& p) { static_cast<void>(ReadFile(p)); };
  EXPECT_EQ(
      ErrorOf(read, InternalPath(dir.File("none.htm"))),
      "cannot read '" + dir.File("none.htm") + "': No such file or directory");
  EXPECT_EQ(ErrorOf(read, InternalPath(dir.File("utf16.htm"))),
            "cannot read '" + dir.File("utf16.htm") +
                "': it holds a zero byte (a UTF-16 or binary file?)");
  EXPECT_EQ(ReadOptionalFile(InternalPath(dir.File("none.htm"))), "");
}

TEST(CopyFileAtomically, CopiesBinaryBytes) {
  ScopedTempDir dir;
  const std::string image("GIF89a\0\x01\xff", 9);
  WriteBytes(dir.File("a.gif"), image);
  CopyFileAtomically(InternalPath(dir.File("a.gif")),
                     InternalPath(dir.File("b.gif")));
  EXPECT_EQ(ReadBytes(dir.File("b.gif")), image);
}

}  // namespace
}  // namespace quillery
