// Defaults of the settings record.
#include "app/settings.h"

namespace quillery {

ConversionSettings::ConversionSettings(const std::string& folder)
    : programFolder(folder),
      HEADERFILE(folder + "\\header.htm"),
      FOOTERFILE(folder + "\\footer.htm"),
      HTMLTEMPLATEFILE(folder + "\\base.htm"),
      HTMLSUPPORTDIR(folder + "\\base_files") {}

}  // namespace quillery
