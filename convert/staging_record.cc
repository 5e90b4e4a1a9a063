// The staging record's format; see staging_record.h.
#include "convert/staging_record.h"

#include <limits>
#include <set>

#include "text/site_path.h"

namespace quillery {
namespace {

constexpr std::string_view kHeading = "quillery staging record 2";
constexpr std::string_view kSwapHeading = "quillery swap record 1";
constexpr std::string_view kDigits =
    "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";

std::string Escaped(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 32 || byte == '%' || byte == 127) {
      escaped += '%';
      escaped += kHex[byte >> 4];
      escaped += kHex[byte & 15];
    } else {
      escaped += c;
    }
  }
  return escaped;
}

// Only what Escaped writes: "%" and two upper-case hex digits for the bytes
// it escapes, every other byte as it is.
std::optional<std::string> Unescaped(std::string_view text) {
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 32 || byte == 127) return std::nullopt;
  }
  return PercentDecodedStrictly(text);
}

// A decimal number as std::to_string writes it: digits, a "-" in front
// only where `mayBeNegative`, no leading zero, no overflow.
template <typename Number>
std::optional<Number> NumberOf(std::string_view text, bool mayBeNegative) {
  const bool negative = mayBeNegative && !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 20 || (text[0] == '0' && text.size() > 1))
    return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / 10)
      return std::nullopt;
    value = value * 10 + digit;
  }
  const auto limit =
      static_cast<std::uint64_t>(std::numeric_limits<Number>::max());
  if (value > limit + (negative ? 1 : 0)) return std::nullopt;
  if (!negative) return static_cast<Number>(value);
  if (value == 0) return std::nullopt;  // "-0"
  return static_cast<Number>(-static_cast<Number>(value - 1) - 1);
}

// The fields of a line separated by single blanks.
std::vector<std::string_view> FieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t blank = line.find(' ', start);
    fields.push_back(line.substr(start, blank - start));
    if (blank == std::string_view::npos) return fields;
    start = blank + 1;
  }
}

std::optional<RecordedRename> RenameOf(std::string_view line) {
  const std::vector<std::string_view> fields = FieldsOf(line);
  if (fields.size() != 6 || fields[0].size() != 1) return std::nullopt;
  RecordedRename rename;
  const char role = fields[0][0];
  if (role != 'n' && role != 't' && role != 'm') return std::nullopt;
  rename.role = static_cast<RenameRole>(role);
  rename.stagedName = std::string(fields[1]);
  const std::string_view expectedName = role == 'm'   ? "0"
                                        : role == 't' ? "1"
                                                      : std::string_view();
  if (!IsStagedName(rename.stagedName) ||
      (expectedName.empty()
           ? rename.stagedName.size() == 1 && rename.stagedName[0] < '2'
           : rename.stagedName != expectedName)) {
    return std::nullopt;
  }
  if (fields[2] != "0" && fields[2] != "1") return std::nullopt;
  rename.existed = fields[2] == "1";
  const auto size = NumberOf<std::uint64_t>(fields[3], false);
  const auto modified = NumberOf<std::int64_t>(fields[4], true);
  if (!size || !modified) return std::nullopt;
  if (!rename.existed && (*size != 0 || *modified != 0)) return std::nullopt;
  rename.size = *size;
  rename.modifiedNs = *modified;
  std::optional<std::string> target = Unescaped(fields[5]);
  if (!target || !IsPlainRelativePath(*target)) return std::nullopt;
  rename.target = std::move(*target);
  return rename;
}

std::string HeadingOf(const RecordBinding& binding) {
  return std::string(kHeading) + ' ' + std::to_string(binding.siteDevice) +
         ' ' + std::to_string(binding.siteInode) + ' ' +
         std::to_string(binding.stagingInode);
}

}  // namespace

bool RecordBinding::operator==(const RecordBinding& other) const {
  return siteDevice == other.siteDevice && siteInode == other.siteInode &&
         stagingInode == other.stagingInode;
}

bool RecordedRename::operator==(const RecordedRename& other) const {
  return role == other.role && stagedName == other.stagedName &&
         existed == other.existed && size == other.size &&
         modifiedNs == other.modifiedNs && target == other.target;
}

std::string StagedName(std::size_t number, bool foldsLetterCase) {
  const std::string_view digits =
      foldsLetterCase ? kDigits.substr(0, 36) : kDigits;
  std::string name;
  do {
    name.insert(name.begin(), digits[number % digits.size()]);
    number /= digits.size();
  } while (number > 0);
  return name;
}

bool IsStagedName(std::string_view name) {
  if (name.empty() || name.size() > 5) return false;
  if (name[0] == '0' && name.size() > 1) return false;
  for (char c : name) {
    if (kDigits.find(c) == std::string_view::npos) return false;
  }
  return true;
}

bool IsPlainRelativePath(std::string_view path) {
  if (path.size() >= 2 && path[1] == ':') return false;
  std::size_t start = 0;
  while (true) {
    const std::size_t separator = path.find('\\', start);
    const std::string_view name = path.substr(start, separator - start);
    if (name.empty() || name == "." || name == ".." ||
        name.find('/') != std::string_view::npos ||
        name.find('\0') != std::string_view::npos) {
      return false;
    }
    if (separator == std::string_view::npos) return true;
    start = separator + 1;
  }
}

std::string FormatRecord(const RecordBinding& binding,
                         const std::vector<RecordedRename>& renames) {
  std::string record = HeadingOf(binding) + '\n';
  for (const RecordedRename& rename : renames) {
    record += static_cast<char>(rename.role);
    record += ' ' + rename.stagedName + ' ' + (rename.existed ? "1 " : "0 ") +
              std::to_string(rename.size) + ' ' +
              std::to_string(rename.modifiedNs) + ' ' + Escaped(rename.target) +
              '\n';
  }
  return record;
}

std::optional<std::vector<RecordedRename>> ParseRecord(
    std::string_view text, const RecordBinding& binding, std::string& problem,
    bool foldsLetterCase) {
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      problem = "the record is cut short";
      return std::nullopt;
    }
    if (end - start > kMaxRecordLine) {
      problem = "a line of the record is too long";
      return std::nullopt;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  if (lines.empty() || lines[0].substr(0, kHeading.size()) != kHeading) {
    problem = "the record is not quillery's";
    return std::nullopt;
  }
  if (lines[0] != HeadingOf(binding)) {
    problem = "the record was not written in this folder";
    return std::nullopt;
  }
  if (lines.size() < 2) {
    problem = "the record names no file";
    return std::nullopt;
  }
  std::vector<RecordedRename> renames;
  std::set<std::string> names;
  std::set<std::string> targets;
  auto keyOf = [foldsLetterCase](const std::string& name) {
    return foldsLetterCase ? FoldedLetterCase(name) : name;
  };
  char lastRole = 'n';
  for (std::size_t i = 1; i < lines.size(); ++i) {
    std::optional<RecordedRename> rename = RenameOf(lines[i]);
    if (!rename) {
      problem = "line " + std::to_string(i + 1) + " of the record is malformed";
      return std::nullopt;
    }
    // New files first, then at most one contents frame page, then at most
    // one main file.
    const char role = static_cast<char>(rename->role);
    if ((lastRole == 't' && role == 'n') || (lastRole == 'm' && role != 'm') ||
        (lastRole == role && role != 'n')) {
      problem =
          "line " + std::to_string(i + 1) + " of the record is out of order";
      return std::nullopt;
    }
    lastRole = role;
    renames.push_back(std::move(*rename));
  }
  for (const RecordedRename& rename : renames) {
    if (!names.insert(keyOf(rename.stagedName)).second ||
        !targets.insert(keyOf(rename.target)).second) {
      problem = "the record names a file twice";
      return std::nullopt;
    }
  }
  return renames;
}

bool SwapRecord::operator==(const SwapRecord& other) const {
  return parentDevice == other.parentDevice &&
         parentInode == other.parentInode && newInode == other.newInode &&
         earlierInode == other.earlierInode && name == other.name;
}

std::string FormatSwapRecord(const SwapRecord& record) {
  return std::string(kSwapHeading) + ' ' + std::to_string(record.parentDevice) +
         ' ' + std::to_string(record.parentInode) + ' ' +
         std::to_string(record.newInode) + ' ' +
         std::to_string(record.earlierInode) + ' ' + Escaped(record.name) +
         '\n';
}

std::optional<SwapRecord> ParseSwapRecord(std::string_view text) {
  if (text.size() > kMaxSwapRecord || text.empty() || text.back() != '\n' ||
      text.substr(0, kSwapHeading.size() + 1) !=
          std::string(kSwapHeading) + ' ') {
    return std::nullopt;
  }
  text.remove_suffix(1);
  text.remove_prefix(kSwapHeading.size() + 1);
  const std::vector<std::string_view> fields = FieldsOf(text);
  if (fields.size() != 5) return std::nullopt;
  std::uint64_t numbers[4] = {};
  for (std::size_t i = 0; i < 4; ++i) {
    const auto number = NumberOf<std::uint64_t>(fields[i], false);
    if (!number) return std::nullopt;
    numbers[i] = *number;
  }
  std::optional<std::string> name = Unescaped(fields[4]);
  if (!name || name->size() > 255 || !IsPlainRelativePath(*name) ||
      name->find('\\') != std::string::npos) {
    return std::nullopt;
  }
  SwapRecord record;
  record.parentDevice = numbers[0];
  record.parentInode = numbers[1];
  record.newInode = numbers[2];
  record.earlierInode = numbers[3];
  record.name = std::move(*name);
  return record;
}

}  // namespace quillery
