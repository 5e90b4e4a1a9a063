// Reading a conversion's inputs; see site_inputs.h.
#include "convert/site_inputs.h"

#include <algorithm>
#include <map>
#include <string_view>

#include "convert/conversion_error.h"
#include "convert/converted_site.h"
#include "dress/contents_builder.h"
#include "dress/header_footer.h"
#include "dress/page_navigation.h"
#include "split/frame_source.h"
#include "split/page_names.h"
#include "text/bytes.h"
#include "text/site_path.h"

namespace quillery {
namespace {

bool HasCode(const std::vector<std::int32_t>& placements, std::int32_t code) {
  return std::find(placements.begin(), placements.end(), code) !=
         placements.end();
}

FileError LeavesTheFolder(std::string_view frameName, const std::string& source,
                          const std::string& mainFilePath) {
  return FileError("refusing the " + std::string(frameName) +
                   " frame source '" + source + "' of '" +
                   ShownPath(mainFilePath) +
                   "': it leads out of the document's folder");
}

// Reads the texts of one run, each file once: a frame may show the main
// file itself, or both frames the same page. The texts read are the
// caller's; they must stay where they are while the reader lives.
class SiteReader {
 public:
  SiteReader(FileOperations& files, const std::string& mainFilePath)
      : files_(files), mainFilePath_(mainFilePath) {}

  void ReadText(const std::string& path, std::string& text) {
    const std::optional<std::string> real = files_.RealPath(path);
    if (const std::string* known = ReadBefore(real)) {
      text = *known;
      return;
    }
    text = files_.ReadText(path);
    if (real) texts_.emplace(*real, &text);
  }

  // The content page, read last: a copy of the text read before when it
  // is the main file or the contents frame page.
  SharedText ReadDocument(const std::string& path) {
    if (const std::string* known = ReadBefore(files_.RealPath(path))) {
      return SharedText(*known);
    }
    return files_.ReadDocument(path);
  }

  // The source of the frame `frameName`, refused when it leads out of the
  // main file's folder by its text or, once resolved, by a symbolic link.
  std::optional<std::string> FrameSource(std::string_view framesText,
                                         std::string_view frameName) {
    std::optional<std::string> source = FindFrameSource(framesText, frameName);
    if (!source) return source;
    if (LeavesItsFolder(*source)) {
      throw LeavesTheFolder(frameName, *source, mainFilePath_);
    }
    // A page that cannot be resolved does not exist: reading it says so.
    const std::optional<std::string> real = files_.RealPath(FramePath(*source));
    if (real && !SitePath(*real).Folder().IsInside(SitePath(SiteFolder()))) {
      throw LeavesTheFolder(frameName, *source, mainFilePath_);
    }
    return source;
  }

  std::string FramePath(const std::string& source) const {
    return SitePath(mainFilePath_).Folder().Join(source).text();
  }

 private:
  // The text read before from the file at `real`, if any.
  const std::string* ReadBefore(const std::optional<std::string>& real) const {
    if (!real) return nullptr;
    const auto known = texts_.find(*real);
    return known == texts_.end() ? nullptr : known->second;
  }

  const std::string& SiteFolder() {
    if (!siteFolder_) {
      // The main file has been read, so its folder exists.
      const std::string folder = SitePath(mainFilePath_).Folder().text();
      siteFolder_ = files_.RealPath(folder).value_or(folder);
    }
    return *siteFolder_;
  }

  FileOperations& files_;
  const std::string& mainFilePath_;
  std::optional<std::string> siteFolder_;
  std::map<std::string, const std::string*> texts_;
};

// Why the new bookmarks of `built`, made for the document at `path`, would
// be in no page at `levelsToBreak`, and the split level that puts them in
// one, when there is one.
Refusal NoPageForNewBookmarks(const std::string& path, const BuiltFrames& built,
                              std::int32_t levelsToBreak) {
  const std::string splitLevel =
      "/LEVELSTOBREAK=" + std::to_string(levelsToBreak);
  std::string why;
  if (built.upperCaseHeadings) {
    why = "no page is cut at its upper-case headings (<H1> to <H3>)";
  }
  if (built.highestDeeperLevel != '\0') {
    why += why.empty() ? "its highest heading is <h"
                       : " and its highest lower-case heading is <h";
    why += built.highestDeeperLevel;
    why += ">, deeper than " + splitLevel;
  }
  std::string remedy;
  if (built.highestDeeperLevel != '\0') {
    remedy = "; choose /LEVELSTOBREAK=";
    remedy += built.highestDeeperLevel;
  } else if (built.upperCaseHeadings) {
    remedy = "; write them in lower case";
  } else {
    // Its only headings of a split level lie in annotation blocks.
    why = "no page is cut at " + splitLevel;
  }
  return Refusal(
      "cannot build the contents of '" + ShownPath(path) + "': " + why +
      ", so no page would hold the new bookmarks of its contents" + remedy);
}

// Makes `site`, read from a plain document, the site of a frames page made
// for it: "<base>_frames.htm" showing "<base>_toc.htm" beside the document.
// A document with nothing to list is refused, and one whose new bookmarks
// would be in no page.
void BuildFrames(SiteInputs& site, std::int32_t levelsToBreak) {
  const SitePath folder = SitePath(site.mainFilePath).Folder();
  const std::string documentName = SitePath(site.mainFilePath).Name();
  const std::string baseName = StripHtmExtension(documentName);
  const std::string contentsName = baseName + "_toc.htm";
  BuiltFrames built = BuildContentsFrame(
      std::move(site.framesText), documentName, contentsName, levelsToBreak);
  if (built.headings == 0 && built.ownEntries == 0) {
    throw Refusal("cannot build the contents of '" +
                  ShownPath(site.mainFilePath) +
                  "': it has no <h1> to <h3> headings and no contents of "
                  "its own (MsoToc1 to MsoToc9 paragraphs linking to its "
                  "_Toc bookmarks)");
  }
  if (built.newBookmarksInNoPage) {
    throw NoPageForNewBookmarks(site.mainFilePath, built, levelsToBreak);
  }
  site.builtFrom = site.mainFilePath;
  site.builtHeadings = built.headings;
  site.builtBookmarks = built.newBookmarks;
  site.builtOwnEntries = built.ownEntries;
  site.mainFilePath = folder.Join(baseName + "_frames.htm").text();
  site.framesText = std::move(built.framesPage);
  site.tocSource = contentsName;
  site.tocFramePath = folder.Join(contentsName).text();
  site.tocFrameText = std::move(built.contentsPage);
  site.contentSource = documentName;
  site.contentText = SharedText(std::move(built.document));
}

}  // namespace

bool WasConvertedInPlace(FileOperations& files, const SiteInputs& site) {
  if (!site.tocSource) return false;
  if (CarriesOurBullets(site.tocFrameText) ||
      ShowsAnEarlierSplit(files, site.framesText, site.mainFilePath)) {
    return true;
  }
  // A run that cut no page leaves the frames page as it was: only the
  // stylesheet it wrote and the header and footer it put around the contents
  // tell. A frames page the run builds itself has no earlier run to show,
  // and building it again makes the same files.
  return site.builtFrom.empty() &&
         (ShowsARunThatCutNoPage(files, site) || CarriesOurDressing(site));
}

DressingTexts LoadDressingTexts(FileOperations& files,
                                const ConversionRequest& request) {
  DressingTexts texts;
  if (!request.HEADERFILE.empty() &&
      HasCode(request.headerPlacements, kHeaderTextCode)) {
    texts.headerText = KeepBodyContent(files.ReadText(request.HEADERFILE));
  }
  if (!request.FOOTERFILE.empty() &&
      HasCode(request.footerPlacements, kFooterTextCode)) {
    texts.footerText = KeepBodyContent(files.ReadText(request.FOOTERFILE));
  }
  if (!request.HTMLTEMPLATEFILE.empty() && request.USINGTEMPLATE != 0) {
    texts.templateText = files.ReadText(request.HTMLTEMPLATEFILE);
  }
  if (Contains(texts.templateText, kSiteHeadMarker)) {
    texts.siteStyles = files.ReadText(request.programFolder + "\\site.css");
    texts.siteScript = files.ReadText(request.programFolder + "\\site.js");
  }
  return texts;
}

SiteInputs ReadSiteInputs(FileOperations& files,
                          const std::string& mainFilePath,
                          const ConversionRequest& request) {
  SiteInputs site;
  site.mainFilePath = mainFilePath;
  SiteReader reader(files, site.mainFilePath);
  reader.ReadText(mainFilePath, site.framesText);
  site.tocSource = reader.FrameSource(site.framesText, "TOC");
  const bool buildFrames = !site.tocSource && request.BUILDTOC != 0;
  if (!site.tocSource && !buildFrames) return site;
  if (buildFrames) {
    if (request.LEVELSTOBREAK < 1) {
      throw Refusal("cannot build the contents of '" + ShownPath(mainFilePath) +
                    "': /BUILDTOC=1 needs /LEVELSTOBREAK=1 to 9, for the "
                    "new bookmarks live only in the pages");
    }
    BuildFrames(site, request.LEVELSTOBREAK);
  } else {
    site.tocFramePath = reader.FramePath(*site.tocSource);
    reader.ReadText(site.tocFramePath, site.tocFrameText);
  }

  if (request.LEVELSTOBREAK > 0) {
    site.dressing = LoadDressingTexts(files, request);
    if (!buildFrames) {
      site.contentSource = reader.FrameSource(site.framesText, "Frame1");
      if (site.contentSource) {
        site.contentText =
            reader.ReadDocument(reader.FramePath(*site.contentSource));
      }
    }
  }

  if (request.TOCBULLETS != 0) {
    // The user's own images of these names stay.
    auto imagesFor = [&files, &request](const std::string& folder,
                                        std::vector<FileBytes>& images) {
      for (const char* image : kBulletImageFiles) {
        const std::string target = folder + "\\" + image;
        if (files.Exists(target)) continue;
        images.push_back(FileBytes{
            target, files.ReadBytes(request.programFolder + "\\" + image)});
      }
    };
    imagesFor(SitePath(site.tocFramePath).Folder().text(), site.bulletImages);
    if (request.LEVELSTOBREAK > 0 && site.contentSource) {
      const SitePath mainFolder = SitePath(site.mainFilePath).Folder();
      imagesFor(mainFolder.text(), site.pageBulletImages);
      // Pages lie where their names say: "sub/Body_p0.htm" in "sub".
      const std::string pagesFolder =
          mainFolder.Join(PageNameOf(*site.contentSource)).Folder().text();
      if (pagesFolder != mainFolder.text())
        imagesFor(pagesFolder, site.pageBulletImages);
    }
  }
  return site;
}

}  // namespace quillery
