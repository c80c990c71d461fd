#include "presentation/skin_style.h"

#include "platform/error.h"
#include "platform/paths.h"

namespace notify {

std::wstring StyleFolder(const std::wstring& programFolder, const std::wstring& style) {
  return programFolder + L"Image\\" + style + L"\\";
}

std::wstring SkinConfigPath(const std::wstring& styleFolder) { return styleFolder + L"Config.xml"; }

std::wstring LogoPath(const std::wstring& programFolder, const std::wstring& logo) {
  return programFolder + L"Image\\Logo\\" + logo;
}

namespace {

void ApplyElement(const xml::DomNode& root, const SkinElement& element, const std::wstring& styleFolder,
                  SkinPictures& pictures) {
  // A missing element is Nothing, and reading its text fails: the load ends here.
  const std::wstring path = styleFolder + root.SelectSingleNode(std::wstring(element.name)).Text();
  if (FileExists(path)) {
    pictures.SetPicture(element.target, path);
  } else if (element.target == SkinTarget::MiddleMiddle) {
    // Without a centre picture the popup's own colour shows through.
    pictures.ClearPicture(element.target);
  }
}

void Load(const MsgRecord& record, const std::wstring& programFolder, xml::DomDocument& document,
          SkinPictures& pictures) {
  const std::wstring styleFolder = StyleFolder(programFolder, record.Style);
  if (!document.Load(SkinConfigPath(styleFolder))) return;
  // The root found by its own local name: a prefixed root is not found this way.
  const xml::DomNode root = document.SelectSingleNode(document.documentElement().baseName());

  const std::wstring logo = LogoPath(programFolder, record.Logo);
  if (FileExists(logo)) pictures.SetPicture(SkinTarget::Logo, logo);

  for (const SkinElement& element : kSkinElements) ApplyElement(root, element, styleFolder, pictures);
}

}  // namespace

void LoadSkinStyle(const MsgRecord& record, const std::wstring& programFolder, xml::DomDocument* document,
                   SkinPictures& pictures) noexcept {
  if (document == nullptr) return;
  TrapVoid([&] { Load(record, programFolder, *document, pictures); });
}

}  // namespace notify
