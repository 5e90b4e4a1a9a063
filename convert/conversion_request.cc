// Defaults of the conversion request.
#include "convert/conversion_request.h"

namespace quillery {

ConversionRequest::ConversionRequest(const std::string& folder)
    : programFolder(folder),
      HEADERFILE(folder + "\\header.htm"),
      FOOTERFILE(folder + "\\footer.htm"),
      HTMLTEMPLATEFILE(folder + "\\base.htm") {}

}  // namespace quillery
