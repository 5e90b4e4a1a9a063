// What a conversion is asked to do: the options convert/ reads, in a record
// of its own. Fields in upper case mirror the command-line key of the same
// name ("/MAXWIDTH=") and default as that key does; the caller fills the
// record once and a conversion does not change it. Its file and folder
// paths are absolute, in internal form: a conversion never looks at the
// working folder.
#ifndef QUILLERY_CONVERT_CONVERSION_REQUEST_H_
#define QUILLERY_CONVERT_CONVERSION_REQUEST_H_

#include <cstdint>
#include <string>
#include <vector>

namespace quillery {

struct ConversionRequest {
  // `folder` is the folder of the program's own files (the bullet
  // images, the default header, footer and template) in internal path form,
  // without a trailing backslash; the default file paths are built from it.
  explicit ConversionRequest(const std::string& folder = "")
      : programFolder(folder),
        HEADERFILE(folder + "\\header.htm"),
        FOOTERFILE(folder + "\\footer.htm"),
        HTMLTEMPLATEFILE(folder + "\\base.htm") {}

  std::string programFolder;

  // Not 0: bullet images are put before the contents' entries.
  std::int32_t TOCBULLETS = 0;
  // The heading level the content page is split at; 0: no split.
  std::int32_t LEVELSTOBREAK = 0;
  std::string HEADERFILE;
  std::string FOOTERFILE;
  std::string HTMLTEMPLATEFILE;
  // One placement code per /USEHEADER or /USEFOOTER word.
  std::vector<std::int32_t> headerPlacements;
  std::vector<std::int32_t> footerPlacements;
  std::int32_t USINGTEMPLATE = 0;
  std::int32_t TEMPLATETOCFORMAT = 0;
  std::int32_t USEMAXWIDTH = 0;
  std::int32_t MAXWIDTH = 420;
  std::int32_t RP = 1;
  // The folder to write the converted site into; empty: in place.
  std::string OUTDIR;
  // Not 0: a main file that names no TOC frame is taken for the content
  // page of a frames page made for it.
  std::int32_t BUILDTOC = 0;
};

}  // namespace quillery

#endif  // QUILLERY_CONVERT_CONVERSION_REQUEST_H_
