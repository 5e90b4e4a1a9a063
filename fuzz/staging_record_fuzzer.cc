// Reads the fuzz bytes as a staging record, as the next run of a site reads
// whatever it finds in the staging folder, and as the record of a swap of
// output folders. A record that is read must name only what our writer
// makes (staged names, plain relative targets, one plain folder name) and
// must read back the same after it is written again; nothing may crash.
// Built with clang and -DQUILLERY_FUZZ=ON; run as
// `build-fuzz/staging_record_fuzzer`.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/staging_record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data,
                                      std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quillery::RecordBinding binding;
  binding.siteDevice = 2049;
  binding.siteInode = 131;
  binding.stagingInode = 4099;
  if (const std::optional<quillery::SwapRecord> swap =
          quillery::ParseSwapRecord(text)) {
    const std::optional<quillery::SwapRecord> reread =
        quillery::ParseSwapRecord(quillery::FormatSwapRecord(*swap));
    if (!quillery::IsPlainRelativePath(swap->name) ||
        swap->name.find('\\') != std::string::npos || !reread ||
        !(*reread == *swap)) {
      std::abort();
    }
  }
  std::string problem;
  const std::optional<std::vector<quillery::RecordedRename>> renames =
      quillery::ParseRecord(text, binding, problem);
  if (!renames) {
    if (problem.empty()) std::abort();
    return 0;
  }
  for (const quillery::RecordedRename& rename : *renames) {
    if (!quillery::IsStagedName(rename.stagedName) ||
        !quillery::IsPlainRelativePath(rename.target)) {
      std::abort();
    }
  }
  std::string again;
  const std::optional<std::vector<quillery::RecordedRename>> reread =
      quillery::ParseRecord(quillery::FormatRecord(binding, *renames), binding,
                            again);
  if (!reread || *reread != *renames) std::abort();
  return 0;
}
