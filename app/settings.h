// The one record of a run's options. Fields named in upper case are set by
// the command-line key of the same name ("/MAXWIDTH="). The record is plain
// data that start-up reads; a conversion is handed the part it reads
// (RequestOf).
#ifndef QUILLERY_APP_SETTINGS_H_
#define QUILLERY_APP_SETTINGS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "convert/conversion_request.h"

namespace quillery {

// The members of the contents font, in the order of the Windows font record.
struct LogFont {
  std::int32_t lfHeight = 12;
  std::int32_t lfWidth = 0;
  std::int32_t lfEscapement = 0;
  std::int32_t lfOrientation = 0;
  std::int32_t lfWeight = 0;
  std::uint8_t lfItalic = 0;
  std::uint8_t lfUnderline = 0;
  std::uint8_t lfStrikeOut = 0;
  std::uint8_t lfCharSet = 0;
  std::uint8_t lfOutPrecision = 0;
  std::uint8_t lfClipPrecision = 0;
  std::uint8_t lfQuality = 0;
  std::uint8_t lfPitchAndFamily = 0;
  // At most 31 bytes plus the terminating zero.
  char lfFaceName[32] = "Verdana";
};

struct ConversionSettings {
  // `programFolder` is the executable's folder in internal path form, without
  // a trailing backslash; the default header, footer and template paths are
  // built from it.
  explicit ConversionSettings(const std::string& programFolder = "");

  std::string programFolder;

  std::int32_t OPTINCLUDETOC = 0;
  std::string TOCTITLE = "Table of Contents";
  std::int32_t TOCFORMAT = 1;
  LogFont tocFont;
  std::int32_t TOCBULLETS = 0;
  std::int32_t LEVELSTOBREAK = 0;
  std::string MAINFILE;
  std::string HEADERFILE;
  std::string FOOTERFILE;
  std::string HTMLTEMPLATEFILE;
  std::string HTMLSUPPORTDIR;
  // One placement code per /USEHEADER or /USEFOOTER word.
  std::vector<std::int32_t> headerPlacements;
  std::vector<std::int32_t> footerPlacements;
  std::int32_t USINGTEMPLATE = 0;
  std::int32_t USINGSUPPORTDIR = 0;
  std::int32_t TEMPLATETOCFORMAT = 0;
  std::int32_t USEMAXWIDTH = 0;
  std::int32_t MAXWIDTH = 420;
  std::int32_t RP = 1;
  std::int32_t FRAMETOCWIDTH = 245;
  // The folder to write the converted site into; empty: in place.
  std::string OUTDIR;
  // Not 0: a main file that names no TOC frame is taken for the content
  // page of a frames page made for it.
  std::int32_t BUILDTOC = 0;
};

// What a conversion with `settings` is asked to do: every field of the
// request copied from the field of the same name.
[[nodiscard]] ConversionRequest RequestOf(const ConversionSettings& settings);

}  // namespace quillery

#endif  // QUILLERY_APP_SETTINGS_H_
