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

void Tell(SkinObserver* observer, SkinFinding finding, std::wstring_view element, const std::wstring& path) {
  if (observer != nullptr) observer->Found(finding, element, path);
}

// SetPicture, telling the observer first when the picture cannot be read.
void SetPicture(SkinPictures& pictures, SkinTarget target, std::wstring_view element, const std::wstring& path,
                SkinObserver* observer) {
  if (observer == nullptr) return pictures.SetPicture(target, path);
  try {
    pictures.SetPicture(target, path);
  } catch (...) {
    observer->Found(SkinFinding::PictureUnreadable, element, path);
    throw;
  }
}

void ApplyElement(const xml::DomNode& root, const SkinElement& element, const std::wstring& styleFolder,
                  SkinPictures& pictures, SkinObserver* observer) {
  // A missing element is Nothing, and reading its text fails: the load ends here.
  const xml::DomNode node = root.SelectSingleNode(std::wstring(element.name));
  if (node.IsNothing()) Tell(observer, SkinFinding::ElementMissing, element.name, styleFolder);
  const std::wstring path = styleFolder + node.Text();
  if (FileExists(path)) {
    SetPicture(pictures, element.target, element.name, path, observer);
  } else {
    Tell(observer, SkinFinding::PictureMissing, element.name, path);
    // Without a centre picture the popup's own colour shows through.
    if (element.target == SkinTarget::MiddleMiddle) pictures.ClearPicture(element.target);
  }
}

void Load(const MsgRecord& record, const std::wstring& programFolder, xml::DomDocument& document,
          SkinPictures& pictures, SkinObserver* observer) {
  const std::wstring styleFolder = StyleFolder(programFolder, record.Style);
  if (!document.Load(SkinConfigPath(styleFolder))) {
    Tell(observer, SkinFinding::ConfigMissing, {}, SkinConfigPath(styleFolder));
    return;
  }
  // The root found by its own local name: a prefixed root is not found this way.
  const xml::DomNode root = document.SelectSingleNode(document.documentElement().baseName());

  const std::wstring logo = LogoPath(programFolder, record.Logo);
  if (FileExists(logo)) {
    SetPicture(pictures, SkinTarget::Logo, {}, logo, observer);
  } else {
    Tell(observer, SkinFinding::LogoMissing, {}, logo);
  }

  for (const SkinElement& element : kSkinElements) ApplyElement(root, element, styleFolder, pictures, observer);
}

}  // namespace

void LoadSkinStyle(const MsgRecord& record, const std::wstring& programFolder, xml::DomDocument* document,
                   SkinPictures& pictures, SkinObserver* observer) noexcept {
  if (document == nullptr) return;
  TrapVoid([&] { Load(record, programFolder, *document, pictures, observer); });
}

std::optional<PopupImage> PopupImageOf(SkinTarget target) {
  switch (target) {
    case SkinTarget::Icon: return PopupImage::Icon;
    case SkinTarget::LeftTop: return PopupImage::LeftTop;
    case SkinTarget::LeftMiddle: return PopupImage::LeftMiddle;
    case SkinTarget::LeftButtom: return PopupImage::LeftButtom;
    case SkinTarget::MiddleTop: return PopupImage::MiddleTop;
    case SkinTarget::MiddleMiddle: return PopupImage::MiddleMiddle;
    case SkinTarget::MiddleButtom: return PopupImage::MiddleButtom;
    case SkinTarget::RightTop: return PopupImage::RightTop;
    case SkinTarget::RightMiddle: return PopupImage::RightMiddle;
    case SkinTarget::RightButtom: return PopupImage::RightButtom;
    case SkinTarget::Logo: return PopupImage::Logo;
    default: return std::nullopt;
  }
}

}  // namespace notify
