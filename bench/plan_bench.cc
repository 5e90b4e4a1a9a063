// Times the planning of one conversion (PlanConversion): everything between
// reading the inputs and writing the first file. The site is read once and
// copied for every round; only the planning is timed, and nothing is
// written. Takes the program's own words, after the number of rounds:
//
//   build/plan_bench 5 /MAINFILE=site/Report.htm /OPTINCLUDETOC=1
//       /LEVELSTOBREAK=3 /TOCBULLETS=1
//
// The program's files (bullet images, header, footer, template) are taken
// from beside this benchmark, as the build folder holds them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "app/command_line.h"
#include "app/settings.h"
#include "bench/bench_support.h"
#include "convert/conversion_driver.h"
#include "convert/file_operations.h"
#include "convert/site_inputs.h"
#include "platform/file_io.h"

int main(int argc, char** argv) {
  using Clock = std::chrono::steady_clock;
  if (argc < 3) {
    std::fprintf(stderr, "usage: plan_bench ROUNDS /MAINFILE=... [words]\n");
    return 2;
  }
  const int rounds = std::max(1, std::atoi(argv[1]));
  quillery::RememberProgramPath(argv[0]);
  std::vector<std::string> words(argv + 2, argv + argc);
  quillery::ConversionSettings settings(quillery::ProgramFilesFolder());
  quillery::ConversionCommandLineInfo commandLine(settings);
  commandLine.Parse(words);
  const quillery::ConversionRequest request = quillery::RequestOf(settings);
  const std::string mainFilePath = quillery::InternalPath(settings.MAINFILE);

  quillery::SystemFileOperations files;
  std::vector<double> seconds;
  std::size_t filesPlanned = 0;
  const quillery::SiteInputs read =
      quillery::ReadSiteInputs(files, mainFilePath, request);
  for (int round = 0; round < rounds; ++round) {
    quillery::SiteInputs site = read;
    const Clock::time_point start = Clock::now();
    const quillery::ConversionPlan plan =
        quillery::PlanConversion(std::move(site), request);
    seconds.push_back(quillery::bench::SecondsSince(start));
    filesPlanned = plan.FileCount();
  }
  std::vector<double> sorted = seconds;
  std::sort(sorted.begin(), sorted.end());
  std::printf("planning: median %.4f s of %d rounds (", sorted[sorted.size() / 2],
              rounds);
  for (std::size_t i = 0; i < seconds.size(); ++i) {
    std::printf(i == 0 ? "%.4f" : " %.4f", seconds[i]);
  }
  std::printf("), %zu files\n", filesPlanned);
  return 0;
}
