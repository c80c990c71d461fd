#include "checker/check_skin.h"

#include <optional>
#include <vector>

#include "checker/media_probe.h"
#include "controls/button/uc04_geometry.h"
#include "platform/error.h"
#include "platform/paths.h"

namespace notify::checker {

namespace {

// Records what a skin load set, decoding each picture the way the checker can.
class PictureRecorder final : public SkinPictures {
 public:
  explicit PictureRecorder(PictureSizes& sizes) : sizes_(sizes) {}
  void SetPicture(SkinTarget target, const std::wstring& path) override {
    const auto size = ProbePicture(path);
    if (!size) Fail("the picture cannot be read");
    sizes_[target] = *size;
  }
  void ClearPicture(SkinTarget target) override { sizes_.erase(target); }

 private:
  PictureSizes& sizes_;
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

// A style that does not load changes no picture: the popup keeps what the message before
// it showed, so the typo stays invisible while testing with more than one message.
std::wstring KeptPictures(const std::optional<MsgRecord>& previous) {
  if (!previous) return L"; as the first message shown it has no frame pictures";
  return L"; the popup keeps the frame pictures of the message shown before it (" + Quoted(previous->ID) +
         L", skin style " + Quoted(previous->Style) + L")";
}

std::wstring MissingPictures(const PictureSizes& pictures) {
  std::wstring names;
  for (const SkinElement& element : kSkinElements) {
    if (pictures.contains(element.target)) continue;
    names += (names.empty() ? L"" : L", ") + std::wstring(element.name);
  }
  return names.empty() ? L"no picture" : names;
}

}  // namespace

void SkinChecker::Check(std::int32_t index, const MsgRecord& record, const std::optional<MsgRecord>& previous) {
  const std::wstring key = record.Style + L'\n' + record.Logo;
  if (!skinsDone_.insert(key).second) return;
  PictureSizes& pictures = pictures_[key];
  PictureRecorder recorder(pictures);
  SkinFindings findings;
  LoadSkinStyle(record, options_.folder, &document_, recorder, &findings);
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
                         KeptPictures(previous));
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

const PictureSizes& SkinChecker::Pictures(const MsgRecord& record) {
  return pictures_[record.Style + L'\n' + record.Logo];
}

// Corners are drawn at their own size and edges keep their thickness: where a corner and
// the edge beside it differ, the frame shows a step.
void SkinChecker::CheckFrame(const PictureSizes& pictures, const SourceLocator& config, const std::wstring& configName,
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
    const auto size = pictures.find(target);
    if (size == pictures.end()) return std::nullopt;
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

void SkinChecker::CheckStrips(const PictureSizes& pictures, const SourceLocator& config, const std::wstring& configName,
                              const std::wstring& style) {
  constexpr int kStripWidth = 5 * button::kCellWidth;
  for (const auto& [target, name] : {std::pair{SkinTarget::CloseFace, L"Close"}, {SkinTarget::ConfirmFace, L"Confirm"}}) {
    const auto size = pictures.find(target);
    if (size == pictures.end() || size->second.width == kStripWidth) continue;
    Add(Severity::Warning, "picture", configName, config.At(config.Child(config.Root(), name)),
        style + L": the " + name + L" button strip is " + std::to_wstring(size->second.width) +
            L" px wide, not five cells of " + std::to_wstring(button::kCellWidth) + L" px (" +
            std::to_wstring(kStripWidth) + L")");
  }
}

}  // namespace notify::checker
