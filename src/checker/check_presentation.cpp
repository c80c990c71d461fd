#include "checker/check_presentation.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <tuple>

#include "checker/check_skin.h"
#include "checker/check_values.h"
#include "checker/media_probe.h"
#include "checker/text_measure.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "presentation/layout.h"

namespace notify::checker {

namespace {

class PresentationChecker final : CheckerPart {
 public:
  PresentationChecker(const CheckOptions& options, xml::DomDocument& document, CheckState& state)
      : CheckerPart(options, document, state), skin_(options, document, state) {}

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
    skin_.Check(index, record, previous_);
    CheckLayout(index, record);
    CheckSound(index, record);
    CheckUri(index, record);
    previous_ = record;
  }

 private:
  // Lays the message out with the popup's own layout over the skin's picture sizes, then
  // looks for text that the boxes it decided would cut or overlap.
  void CheckLayout(std::int32_t index, const MsgRecord& record) {
    PopupModel model;
    for (const auto& [target, size] : skin_.Pictures(record)) {
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

  SkinChecker skin_;
  std::optional<MsgRecord> previous_;  // the message shown before, in show order
};

}  // namespace

void CheckPresentation(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                       const std::vector<std::pair<std::int32_t, MsgRecord>>& shown) {
  PresentationChecker checker(options, document, state);
  for (const auto& [index, record] : shown) checker.CheckPresentation(index, record);
}

}  // namespace notify::checker
