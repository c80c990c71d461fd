#include "checker/check_presentation.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "checker/check_values.h"
#include "checker/media_probe.h"
#include "checker/text_measure.h"
#include "controls/button/uc04_geometry.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "presentation/layout.h"
#include "presentation/skin_style.h"

namespace notify::checker {

namespace {

// Records what a skin load set, decoding each picture the way the checker can.
class PictureRecorder final : public SkinPictures {
 public:
  void SetPicture(SkinTarget target, const std::wstring& path) override {
    const auto size = ProbePicture(path);
    if (!size) Fail("the picture cannot be read");
    sizes[target] = *size;
  }
  void ClearPicture(SkinTarget target) override { sizes.erase(target); }
  std::map<SkinTarget, Size> sizes;
};

class SkinFindings final : public SkinObserver {
 public:
  struct Finding {
    SkinFinding finding;
    std::wstring element;
    std::wstring path;
  };
  void Found(SkinFinding finding, std::wstring_view element, const std::wstring& path) override {
    findings.push_back({finding, std::wstring(element), path});
  }
  std::vector<Finding> findings;
};

class PresentationChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  // Logo and Sound are names in the program's folders; a macro or a full path there is a trap.
  void CheckFileNames(std::int32_t index, const MsgRecord& record) {
    for (const auto& [item, text, path] : {std::tuple{L"Logo", record.Logo, LogoPath(options_.folder, record.Logo)},
                                           {L"Sound", record.Sound, options_.folder + L"Sound\\" + record.Sound}}) {
      if (text.empty()) continue;
      if (const auto traps = FileNameTraps(MessageName(record.ID, index), item, text, Relative(path))) {
        AddCatalogue(Severity::Warning, "path", ItemOf(index, item), *traps);
      }
    }
  }

  void CheckPresentation(std::int32_t index, const MsgRecord& record) {
    CheckFileNames(index, record);
    CheckSkin(index, record);
    CheckLayout(index, record);
    CheckSound(index, record);
    CheckUri(index, record);
    previous_ = record;
  }

 private:
  void CheckSkin(std::int32_t index, const MsgRecord& record) {
    const std::wstring key = record.Style + L'\n' + record.Logo;
    if (!skinsDone_.insert(key).second) return;
    PictureRecorder& pictures = skinPictures_[key];
    SkinFindings findings;
    LoadSkinStyle(record, options_.folder, &document_, pictures, &findings);
    const std::wstring styleFolder = StyleFolder(options_.folder, record.Style);
    const bool styleNew = stylesDone_.insert(record.Style).second;
    const SourceLocator config = LocatorFor(SkinConfigPath(styleFolder));
    const std::wstring configName = Relative(SkinConfigPath(styleFolder));
    const std::wstring style = L"skin style " + Quoted(record.Style);
    for (const auto& finding : findings.findings) {
      const bool logo = finding.element.empty() && finding.finding != SkinFinding::ConfigMissing;
      if (!styleNew && !logo) continue;
      const SourcePosition element = config.At(config.Child(config.Root(), finding.element));
      switch (finding.finding) {
        case SkinFinding::ConfigMissing:
          AddCatalogue(Severity::Warning, "skin", catalogue_.Attribute(MessageElement(index - 1), L"Style"),
                       MessageName(record.ID, index) + L": " + style +
                           (FolderExists(styleFolder) ? L" has no readable Config.xml"
                                                      : L": the folder " + Relative(styleFolder) + L" does not exist") +
                           KeptPictures());
          break;
        case SkinFinding::ElementMissing:
          Add(Severity::Warning, "skin", configName, config.At(config.Root()),
              style + L": Config.xml has no " + finding.element + L" element; the skin stops loading there, so " +
                  MissingPictures(pictures) + L" will be missing");
          break;
        case SkinFinding::PictureMissing:
          Add(Severity::Warning, "picture", configName, element,
              style + L": the " + finding.element + L" picture " + Relative(finding.path) + L" does not exist");
          break;
        case SkinFinding::PictureUnreadable:
          if (logo) {
            AddCatalogue(Severity::Warning, "logo", ItemOf(index, L"Logo"),
                         MessageName(record.ID, index) + L": the logo " + Relative(finding.path) +
                             L" cannot be read as a picture, and the skin stops loading there");
          } else {
            Add(Severity::Warning, "picture", configName, element,
                style + L": the " + finding.element + L" picture " + Relative(finding.path) +
                    L" cannot be read as a picture; the skin stops loading there, so " + MissingPictures(pictures) +
                    L" will be missing");
          }
          break;
        case SkinFinding::LogoMissing:
          if (!record.Logo.empty()) {
            AddCatalogue(Severity::Warning, "logo", ItemOf(index, L"Logo"),
                         MessageName(record.ID, index) + L": the logo " + Relative(finding.path) + L" does not exist");
          }
          break;
      }
    }
    if (styleNew) CheckStrips(pictures, config, configName, style);
    if (styleNew) CheckFrame(pictures, config, configName, style);
  }

  // A style that does not load changes no picture: the popup keeps what the message before
  // it showed, so the typo stays invisible while testing with more than one message.
  std::wstring KeptPictures() const {
    if (!previous_) return L"; as the first message shown it has no frame pictures";
    return L"; the popup keeps the frame pictures of the message shown before it (" + Quoted(previous_->ID) +
           L", skin style " + Quoted(previous_->Style) + L")";
  }

  // Corners are drawn at their own size and edges keep their thickness: where a corner and
  // the edge beside it differ, the frame shows a step.
  void CheckFrame(const PictureRecorder& pictures, const SourceLocator& config, const std::wstring& configName,
                  const std::wstring& style) {
    struct Edge {
      SkinTarget edge;
      const wchar_t* name;
      const wchar_t* what;
      bool height;  // the edge's thickness is its height (top, bottom) or its width (sides)
      SkinTarget corners[2];
      const wchar_t* cornerNames[2];
    };
    static constexpr Edge kEdges[] = {
        {SkinTarget::MiddleTop, L"MiddleTop", L"the title bar", true,
         {SkinTarget::LeftTop, SkinTarget::RightTop}, {L"LeftTop", L"RightTop"}},
        {SkinTarget::MiddleButtom, L"MiddleButtom", L"the bottom edge", true,
         {SkinTarget::LeftButtom, SkinTarget::RightButtom}, {L"LeftButtom", L"RightButtom"}},
        {SkinTarget::LeftMiddle, L"LeftMiddle", L"the left edge", false,
         {SkinTarget::LeftTop, SkinTarget::LeftButtom}, {L"LeftTop", L"LeftButtom"}},
        {SkinTarget::RightMiddle, L"RightMiddle", L"the right edge", false,
         {SkinTarget::RightTop, SkinTarget::RightButtom}, {L"RightTop", L"RightButtom"}},
    };
    const auto thickness = [&](SkinTarget target, bool height) -> std::optional<int> {
      const auto size = pictures.sizes.find(target);
      if (size == pictures.sizes.end()) return std::nullopt;
      return height ? size->second.height : size->second.width;
    };
    for (const Edge& edge : kEdges) {
      const auto own = thickness(edge.edge, edge.height);
      if (!own) continue;
      std::wstring odd;
      for (int i = 0; i < 2; ++i) {
        const auto corner = thickness(edge.corners[i], edge.height);
        if (!corner || *corner == *own) continue;
        odd += (odd.empty() ? L"" : L" and ") + std::wstring(edge.cornerNames[i]) + L" (" + std::to_wstring(*corner) +
               L" px)";
      }
      if (odd.empty()) continue;
      Add(Severity::Warning, "frame", configName, config.At(config.Child(config.Root(), edge.name)),
          style + L": " + edge.what + L" (" + edge.name + L") is " + std::to_wstring(*own) + L" px " +
              (edge.height ? L"high" : L"wide") + L" but " + odd + L" beside it " +
              (odd.find(L" and ") == std::wstring::npos ? L"is not" : L"are not") +
              L", so the frame shows a step where they meet");
    }
  }

  static std::wstring MissingPictures(const PictureRecorder& pictures) {
    std::wstring names;
    for (const SkinElement& element : kSkinElements) {
      if (pictures.sizes.contains(element.target)) continue;
      names += (names.empty() ? L"" : L", ") + std::wstring(element.name);
    }
    return names.empty() ? L"no picture" : names;
  }

  void CheckStrips(const PictureRecorder& pictures, const SourceLocator& config, const std::wstring& configName,
                   const std::wstring& style) {
    constexpr int kStripWidth = 5 * button::kCellWidth;
    for (const auto& [target, name] : {std::pair{SkinTarget::CloseFace, L"Close"}, {SkinTarget::ConfirmFace, L"Confirm"}}) {
      const auto size = pictures.sizes.find(target);
      if (size == pictures.sizes.end() || size->second.width == kStripWidth) continue;
      Add(Severity::Warning, "picture", configName, config.At(config.Child(config.Root(), name)),
          style + L": the " + name + L" button strip is " + std::to_wstring(size->second.width) +
              L" px wide, not five cells of " + std::to_wstring(button::kCellWidth) + L" px (" +
              std::to_wstring(kStripWidth) + L")");
    }
  }

  // Lays the message out with the popup's own layout over the skin's picture sizes, then
  // looks for text that the boxes it decided would cut or overlap.
  void CheckLayout(std::int32_t index, const MsgRecord& record) {
    PopupModel model;
    for (const auto& [target, size] : skinPictures_[record.Style + L'\n' + record.Logo].sizes) {
      if (const auto image = PopupImageOf(target)) {
        model.image(*image).natural = {static_cast<float>(size.width), static_cast<float>(size.height)};
      }
    }
    const auto measure = LabelTextMeasure();
    if (LayoutPopupModel(model, record, *measure)) return;  // the popup stops there too; nothing more to judge

    const std::wstring about = TextMeasureIsEstimate() ? L"about " : L"";
    const auto px = [](float value) { return std::to_wstring(static_cast<long>(std::lround(value))); };
    const std::wstring name = MessageName(record.ID, index) + L": ";
    const auto warn = [&](const wchar_t* element, const std::wstring& text) {
      AddCatalogue(Severity::Warning, "layout", ItemOf(index, element), name + text);
    };

    const RectF& title = model.title.box;
    const float titleRoom = model.close.visible ? model.close.box.left : model.image(PopupImage::RightTop).box.left;
    if (title.left + title.width > titleRoom) {
      warn(L"Title", L"the title is " + about + px(title.width) + L" px wide but the title bar has room for " +
                         px(std::max(0.0f, titleRoom - title.left)) + L" px" +
                         (model.close.visible ? L" before the close button" : L"") + L", so it is cut");
    }
    for (const auto& [label, element] : {std::pair{&model.author, L"Author"}, {&model.date, L"Date"}}) {
      // A centred line has the wider line's box; only the wider one can be cut.
      if (!label->visible || label->centred || label->box.left >= 0) continue;
      warn(element, std::wstring(element == std::wstring_view(L"Author") ? L"the author" : L"the date") +
                        L" line is " + about + px(label->box.width) + L" px wide and does not fit in the popup, so " +
                        px(-label->box.left) + L" px of it are cut on the left");
    }
    for (const auto& [button, element] : {std::pair{&model.close, L"BtnCls"}, {&model.confirm, L"BtnCfm"}}) {
      if (!button->visible) continue;
      const float caption = measure->MeasureLine(button->caption).width;
      if (caption <= button->box.width) continue;
      warn(element, L"the " + std::wstring(button == &model.close ? L"close" : L"confirm") +
                        L" button's caption is " + about + px(caption) + L" px wide, wider than its button (" +
                        px(button->box.width) + L" px), so it is cut");
    }

    // Rows are placed from the popup's bottom, not below the body: the body may run into them.
    const float bottom = RoundHalfEven(model.heightTwips / kLayoutTwipsPerPixel);
    float limit = bottom;
    std::wstring into = L"past the popup's bottom edge";
    for (const auto& [top, what] : {std::pair{model.author.visible ? model.author.box.top : bottom, L"into the author line"},
                                    {model.date.visible ? model.date.box.top : bottom, L"into the date line"},
                                    {model.confirm.visible ? model.confirm.box.top : bottom, L"into the confirm button"}}) {
      if (top < limit) {
        limit = top;
        into = what;
      }
    }
    const RectF& body = model.content.box;
    if (body.top + body.height > limit) {
      warn(L"Content", L"the text is " + about + px(body.height) + L" px tall but has " +
                           px(std::max(0.0f, limit - body.top)) + L" px before it runs " + into +
                           L"; make the popup taller or the text shorter");
    }
  }

  void CheckSound(std::int32_t index, const MsgRecord& record) {
    if (record.Sound.empty()) return;
    const std::wstring path = options_.folder + L"Sound\\" + record.Sound;
    const std::wstring name = MessageName(record.ID, index) + L": the sound " + Relative(path);
    if (!FileExists(path)) {
      AddCatalogue(Severity::Warning, "sound", ItemOf(index, L"Sound"), name + L" does not exist");
    } else if (!IsPlayableWave(path)) {
      AddCatalogue(Severity::Warning, "sound", ItemOf(index, L"Sound"), name + L" is not a playable WAV file");
    }
  }

  void CheckUri(std::int32_t index, const MsgRecord& record) {
    if (record.Uri.empty()) return;
    const std::wstring& uri = record.Uri;
    const auto colon = uri.find(L':');
    std::wstring scheme;
    // One letter before the colon is a drive, not a scheme.
    if (colon != std::wstring::npos && colon > 1 &&
        std::all_of(uri.begin(), uri.begin() + static_cast<std::ptrdiff_t>(colon), [](wchar_t c) {
          return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'+' ||
                 c == L'-' || c == L'.';
        })) {
      scheme = uri.substr(0, colon);
    }
    const std::wstring name = MessageName(record.ID, index) + L": the Uri " + Quoted(ShownPath(uri));
    if (scheme.empty()) {
      if (!FileExists(uri) && !FolderExists(uri)) {
        AddCatalogue(Severity::Warning, "uri", ItemOf(index, L"Uri"), name + L" is a local path that does not exist");
      }
    } else if (!EqualsNoCase(scheme, L"http") && !EqualsNoCase(scheme, L"https") && !EqualsNoCase(scheme, L"mailto")) {
      AddCatalogue(Severity::Warning, "uri", ItemOf(index, L"Uri"),
                   name + L" has the scheme " + Quoted(scheme) + L"; only http, https and mailto are expected");
    }
  }
  std::optional<MsgRecord> previous_;  // the message shown before, in show order
  std::set<std::wstring> skinsDone_;
  std::map<std::wstring, PictureRecorder> skinPictures_;  // by style and logo
  std::set<std::wstring> stylesDone_;
};

}  // namespace

void CheckPresentation(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                       const std::vector<std::pair<std::int32_t, MsgRecord>>& shown) {
  PresentationChecker checker(options, document, state);
  for (const auto& [index, record] : shown) checker.CheckPresentation(index, record);
}

}  // namespace notify::checker
