#include "convert/background_writer.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/file_io.h"

namespace quillery {
namespace {

// Keeps the files in order; fails at the file named "bad".
class ListWriter : public SiteWriter {
 public:
  void WriteFile(const std::string& path, std::string bytes) override {
    if (path == "bad") throw FileError("cannot write 'bad': full");
    written.push_back(path + "=" + bytes);
  }
  std::vector<std::string> written;
};

TEST(BackgroundWriter, WritesEveryFileInOrder) {
  ListWriter list;
  {
    BackgroundWriter background(list, /*maxWaiting=*/2);
    for (int i = 0; i < 100; ++i) {
      background.WriteFile("p" + std::to_string(i), std::to_string(i * i));
    }
    background.Finish();
  }
  ASSERT_EQ(list.written.size(), 100u);
  EXPECT_EQ(list.written.front(), "p0=0");
  EXPECT_EQ(list.written.back(), "p99=9801");
}

TEST(BackgroundWriter, TheFirstErrorComesBackAndStopsTheRest) {
  ListWriter list;
  BackgroundWriter background(list, /*maxWaiting=*/1);
  background.WriteFile("a", "1");
  background.WriteFile("bad", "2");
  // Sooner or later a call reports the failure; Finish does at the latest.
  std::string error;
  try {
    for (int i = 0; i < 1000; ++i) background.WriteFile("later", "3");
    background.Finish();
  } catch (const FileError& failure) {
    error = failure.what();
  }
  EXPECT_EQ(error, "cannot write 'bad': full");
  EXPECT_EQ(list.written, std::vector<std::string>{"a=1"});
  EXPECT_THROW(background.Finish(), FileError);
}

}  // namespace
}  // namespace quillery
