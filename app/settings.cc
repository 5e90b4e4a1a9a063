// Defaults of the settings record, and the request a conversion is handed.
#include "app/settings.h"

#include "platform/file_io.h"

namespace quillery {
namespace {

// A path typed by the user, absolute in internal form; "" stays "".
std::string AbsoluteOrEmpty(const std::string& typed) {
  return typed.empty() ? typed : InternalPath(typed);
}

}  // namespace

ConversionSettings::ConversionSettings(const std::string& folder)
    : programFolder(folder),
      HEADERFILE(folder + "\\header.htm"),
      FOOTERFILE(folder + "\\footer.htm"),
      HTMLTEMPLATEFILE(folder + "\\base.htm"),
      HTMLSUPPORTDIR(folder + "\\base_files") {}

ConversionRequest RequestOf(const ConversionSettings& settings) {
  ConversionRequest request(settings.programFolder);
  request.TOCBULLETS = settings.TOCBULLETS;
  request.LEVELSTOBREAK = settings.LEVELSTOBREAK;
  request.HEADERFILE = AbsoluteOrEmpty(settings.HEADERFILE);
  request.FOOTERFILE = AbsoluteOrEmpty(settings.FOOTERFILE);
  request.HTMLTEMPLATEFILE = AbsoluteOrEmpty(settings.HTMLTEMPLATEFILE);
  request.headerPlacements = settings.headerPlacements;
  request.footerPlacements = settings.footerPlacements;
  request.USINGTEMPLATE = settings.USINGTEMPLATE;
  request.TEMPLATETOCFORMAT = settings.TEMPLATETOCFORMAT;
  request.USEMAXWIDTH = settings.USEMAXWIDTH;
  request.MAXWIDTH = settings.MAXWIDTH;
  request.RP = settings.RP;
  request.OUTDIR = AbsoluteOrEmpty(settings.OUTDIR);
  request.BUILDTOC = settings.BUILDTOC;
  return request;
}

}  // namespace quillery
