#pragma once
// Skin styles: a folder Image\<Style>\ under the program folder whose Config.xml names,
// element by element, the picture file of each role; logos live in Image\Logo\.
#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "catalogue/msg_record.h"
#include "platform/xml/dom.h"
#include "presentation/layout.h"

namespace notify {

// The controls a skin puts pictures on: the popup's images and the buttons' face strips.
enum class SkinTarget {
  Icon,
  LeftTop,
  LeftMiddle,
  LeftButtom,
  MiddleTop,
  MiddleMiddle,
  MiddleButtom,
  RightTop,
  RightMiddle,
  RightButtom,
  CloseFace,
  ConfirmFace,
  Logo,
};

struct SkinElement {
  std::wstring_view name;  // matched with case; "Buttom" as the skins spell it
  SkinTarget target;
};

// Config.xml's elements in the order they are read; the first missing one ends the load.
inline constexpr std::array<SkinElement, 12> kSkinElements{{
    {L"Icon", SkinTarget::Icon},
    {L"LeftTop", SkinTarget::LeftTop},
    {L"LeftMiddle", SkinTarget::LeftMiddle},
    {L"LeftButtom", SkinTarget::LeftButtom},
    {L"MiddleTop", SkinTarget::MiddleTop},
    {L"MiddleMiddle", SkinTarget::MiddleMiddle},
    {L"MiddleButtom", SkinTarget::MiddleButtom},
    {L"RightTop", SkinTarget::RightTop},
    {L"RightMiddle", SkinTarget::RightMiddle},
    {L"RightButtom", SkinTarget::RightButtom},
    {L"Close", SkinTarget::CloseFace},
    {L"Confirm", SkinTarget::ConfirmFace},
}};

// Plain concatenation: nothing is trimmed, tested or given an extension.
std::wstring StyleFolder(const std::wstring& programFolder, const std::wstring& style);
std::wstring SkinConfigPath(const std::wstring& styleFolder);
std::wstring LogoPath(const std::wstring& programFolder, const std::wstring& logo);

// Where a skin's pictures go. SetPicture throws RuntimeError when the file cannot be read
// as a picture; that ends the load like a missing element.
class SkinPictures {
 public:
  virtual ~SkinPictures() = default;
  virtual void SetPicture(SkinTarget target, const std::wstring& path) = 0;
  virtual void ClearPicture(SkinTarget target) = 0;
};

// What a skin load met that leaves pictures out, for tools that explain a catalogue.
enum class SkinFinding { ConfigMissing, ElementMissing, PictureMissing, PictureUnreadable, LogoMissing };

class SkinObserver {
 public:
  virtual ~SkinObserver() = default;
  // element: Config.xml's element concerned, empty for Config.xml itself and the logo.
  virtual void Found(SkinFinding finding, std::wstring_view element, const std::wstring& path) = 0;
};

// Reads record.Style and record.Logo only. A missing document, Config.xml or element, or
// an unreadable picture ends the load silently; pictures set before that stay.
void LoadSkinStyle(const MsgRecord& record, const std::wstring& programFolder, xml::DomDocument* document,
                   SkinPictures& pictures, SkinObserver* observer = nullptr) noexcept;

// The popup image a skin picture goes to; nothing for the button strips.
std::optional<PopupImage> PopupImageOf(SkinTarget target);

}  // namespace notify
