#include "app/settings.h"

#include <gtest/gtest.h>

#include <tuple>

#include "platform/file_io.h"

namespace quillery {
namespace {

// Every field of a request, for comparing two whole.
auto Fields(const ConversionRequest& r) {
  return std::tie(r.programFolder, r.TOCBULLETS, r.LEVELSTOBREAK, r.HEADERFILE,
                  r.FOOTERFILE, r.HTMLTEMPLATEFILE, r.headerPlacements,
                  r.footerPlacements, r.USINGTEMPLATE, r.TEMPLATETOCFORMAT,
                  r.USEMAXWIDTH, r.MAXWIDTH, r.RP, r.OUTDIR, r.BUILDTOC);
}

// A run without keys asks a conversion for exactly the request's defaults,
// the default file paths built from the same program folder.
TEST(RequestOf, DefaultSettingsAskForTheDefaultRequest) {
#ifdef _WIN32
  // There a path without a volume lies on the current one.
  for (const char* folder : {"\\C:\\opt\\quillery"}) {
#else
  for (const char* folder : {"", "\\opt\\quillery"}) {
#endif
    SCOPED_TRACE(folder);
    const ConversionRequest expected(folder);
    EXPECT_EQ(Fields(RequestOf(ConversionSettings(folder))), Fields(expected));
  }
}

TEST(RequestOf, CarriesEveryKeyTheConversionReads) {
  ConversionSettings settings(InternalPath("\\program"));
  settings.TOCBULLETS = 1;
  settings.LEVELSTOBREAK = 3;
  settings.HEADERFILE = "head.htm";  // as typed: from the working folder
  settings.FOOTERFILE = "/dressing/foot.htm";
  settings.HTMLTEMPLATEFILE = "";
  settings.headerPlacements = {0, 2};
  settings.footerPlacements = {1};
  settings.USINGTEMPLATE = 1;
  settings.TEMPLATETOCFORMAT = 2;
  settings.USEMAXWIDTH = 1;
  settings.MAXWIDTH = 640;
  settings.RP = 0;
  settings.OUTDIR = "out";
  settings.BUILDTOC = 1;
  // Keys only start-up reads change nothing a conversion is handed.
  settings.OPTINCLUDETOC = 1;
  settings.TOCTITLE = "Contents";
  settings.FRAMETOCWIDTH = 300;
  settings.HTMLSUPPORTDIR = "support";

  ConversionRequest expected(InternalPath("\\program"));
  expected.TOCBULLETS = 1;
  expected.LEVELSTOBREAK = 3;
  // The request's paths are absolute, in internal form; none stays none.
  expected.HEADERFILE = InternalPath("head.htm");
  expected.FOOTERFILE = InternalPath("/dressing/foot.htm");
  expected.HTMLTEMPLATEFILE = "";
  expected.headerPlacements = {0, 2};
  expected.footerPlacements = {1};
  expected.USINGTEMPLATE = 1;
  expected.TEMPLATETOCFORMAT = 2;
  expected.USEMAXWIDTH = 1;
  expected.MAXWIDTH = 640;
  expected.RP = 0;
  expected.OUTDIR = InternalPath("out");
  expected.BUILDTOC = 1;
  EXPECT_EQ(Fields(RequestOf(settings)), Fields(expected));
}

}  // namespace
}  // namespace quillery
