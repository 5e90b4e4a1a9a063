// Times the file system calls the writer makes for each page of a large
// site, through the folder handles: staging (a look at the staged name, then
// the new file) and the commit (a rename from the staging folder into the
// site). Prints the median seconds of each step over the rounds.
//
//   folder_handles_bench [files=10000] [rounds=5] [work folder]
//
// The work folder defaults to /dev/shm (tmpfs) where it exists, so that the
// disk's own speed does not hide the cost of the calls.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "bench/bench_support.h"
#include "platform/file_io.h"
#include "platform/file_system.h"

namespace {

using quillery::bench::SecondsSince;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

std::filesystem::path WorkRoot(int argc, char** argv) {
  if (argc > 3) return std::filesystem::u8path(argv[3]);
  std::error_code error;
  if (std::filesystem::is_directory("/dev/shm", error)) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t files =
      argc > 1 ? static_cast<std::size_t>(std::atol(argv[1])) : 10000;
  const std::size_t rounds =
      argc > 2 ? static_cast<std::size_t>(std::atol(argv[2])) : 5;
  if (files == 0 || rounds == 0) {
    std::fprintf(
        stderr, "usage: folder_handles_bench [files] [rounds] [work folder]\n");
    return 2;
  }
  const std::filesystem::path work =
      WorkRoot(argc, argv) /
      ("quillery-folder-handles-" +
       std::to_string(
           std::chrono::steady_clock::now().time_since_epoch().count()));
  const std::string page(2000, 'x');
  std::vector<double> staging;
  std::vector<double> commit;
  for (std::size_t round = 0; round < rounds; ++round) {
    std::filesystem::create_directories(work / "site" / ".staging");
    const std::string site = quillery::InternalPath((work / "site").u8string());
    const std::string stage = site + "\\.staging";
    quillery::FolderHandles handles;
    std::vector<std::string> staged;
    std::vector<std::string> placed;
    for (std::size_t file = 0; file < files; ++file) {
      staged.push_back(stage + "\\" + std::to_string(file));
      placed.push_back(site + "\\Report_body_p" + std::to_string(file) +
                       ".htm");
    }
    auto start = std::chrono::steady_clock::now();
    for (const std::string& path : staged) {
      if (handles.LookAt(path).exists) return 1;
      handles.WriteNewFile(path, page, quillery::NewFileMode());
    }
    staging.push_back(SecondsSince(start));
    start = std::chrono::steady_clock::now();
    for (std::size_t file = 0; file < files; ++file) {
      handles.RenameFile(staged[file], placed[file]);
    }
    commit.push_back(SecondsSince(start));
    std::filesystem::remove_all(work);
  }
  std::printf("%zu files, median of %zu rounds\n", files, rounds);
  std::printf("staging (look, write)  %.4f s\n", Median(staging));
  std::printf("commit (rename)        %.4f s\n", Median(commit));
  return 0;
}
