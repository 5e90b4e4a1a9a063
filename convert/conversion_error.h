// The two ways a conversion stops: a file problem (FileError: what could not
// be done to which file, and why) or a refusal, when nothing is wrong with
// any file but the run must not go on as asked: another run holds the site,
// the site was converted before, an output folder would lie inside the
// site, a contents cannot be built at the split level asked for. Both are
// told to the user as one line and end the run with a non-zero status.
#ifndef QUILLERY_CONVERT_CONVERSION_ERROR_H_
#define QUILLERY_CONVERT_CONVERSION_ERROR_H_

#include <stdexcept>
#include <string>

#include "platform/file_io.h"

namespace quillery {

class Refusal : public std::runtime_error {
 public:
  explicit Refusal(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_ERROR_H_
