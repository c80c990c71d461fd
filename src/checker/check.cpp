#include "checker/check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include "catalogue/cache.h"
#include "catalogue/selection.h"
#include "checker/locator.h"
#include "checker/media_probe.h"
#include "checker/text_measure.h"
#include "controls/button/uc04_geometry.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"
#include "platform/xml/file_io.h"
#include "presentation/layout.h"
#include "presentation/skin_style.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kNothingShows = L"; no message of the catalogue is shown to anyone";
constexpr const wchar_t* kWhileDue =
    L"; while this message is due, no message of the catalogue is shown to anyone";

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring MessageName(const std::wstring& id, std::int32_t index) {
  return id.empty() ? L"Message #" + std::to_wstring(index) : L"Message " + Quoted(id);
}

// The file's text for the locator; empty when it cannot be read or decoded.
SourceLocator LocatorFor(const std::wstring& path) {
  const auto bytes = xml::ReadFileBytes(path);
  const auto text = bytes ? xml::DecodeXmlBytes(*bytes) : std::nullopt;
  return text ? SourceLocator(*text) : SourceLocator();
}

struct ValueFailure {
  std::int32_t index;
  std::wstring id;
  CatalogueItem item;
  ItemFault fault;
  std::wstring value;
  std::string cause;
};

struct StageFailure {
  RunStage stage;
  std::string cause;
  xml::LoadFailure load;  // the document's last load failure at that moment
};

class Collector final : public SelectionObserver {
 public:
  explicit Collector(const xml::DomDocument& document) : document_(document) {}

  void CatalogueRead(const std::wstring& rootAppId, const std::wstring& rootCachePath) override {
    read = true;
    appId = rootAppId;
    cachePath = rootCachePath;
  }
  void RunFailed(RunStage stage, const std::string& cause) override {
    stageFailures.push_back({stage, cause, document_.LastLoadFailure()});
  }
  void Decided(std::int32_t index, const std::wstring& id, MessageDecision decision,
               const std::wstring& detail) override {
    decisions[index] = {id, decision, detail};
  }
  void ValueFailed(std::int32_t index, const std::wstring& id, const CatalogueItem& item, ItemFault fault,
                   const std::wstring& value, const std::string& cause) override {
    valueFailures.push_back({index, id, item, fault, value, cause});
  }

  struct Decided_ {
    std::wstring id;
    MessageDecision decision;
    std::wstring detail;
  };
  bool read = false;
  std::wstring appId;
  std::wstring cachePath;
  std::vector<StageFailure> stageFailures;
  std::map<std::int32_t, Decided_> decisions;
  std::vector<ValueFailure> valueFailures;

 private:
  const xml::DomDocument& document_;
};

// Records what a skin load set, decoding each picture the way the checker can.
class PictureRecorder final : public SkinPictures {
 public:
  void SetPicture(SkinTarget target, const std::wstring& path) override {
    const auto size = ProbePicture(path);
    if (!size) Fail("the picture cannot be read");
    sizes[target] = *size;
  }
  void ClearPicture(SkinTarget target) override { sizes.erase(target); }
  std::map<SkinTarget, PictureSize> sizes;
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

class Checker {
 public:
  Checker(const CheckOptions& options, xml::DomDocument& document) : options_(options), document_(document) {}

  CheckReport Run() {
    report_.folder = options_.folder;
    report_.catalogue = options_.folder + L"Message.xml";
    report_.today = options_.today;
    SetProgramFolder(options_.folder);
    catalogue_ = LocatorFor(report_.catalogue);

    SelectionEnvironment env = DefaultSelectionEnvironment();
    env.Today = [today = options_.today] { return today; };
    if (options_.dates) env.Dates = options_.dates;
    env.SeenIds = [this](xml::DomDocument& doc, const std::wstring& cachePath) {
      switch (options_.cache) {
        case CacheMode::NewUser: return std::vector<std::wstring>(1);
        case CacheMode::File: return ReadSeenIds(doc, options_.cacheFile);
        case CacheMode::UserCache: break;
      }
      return ReadSeenIds(doc, cachePath);
    };

    Collector collector(document_);
    CatalogueState state;
    report_.readable = SelectMessages(&document_, state, env, collector);
    ReportStages(collector);
    ReportMessages(collector, state);
    for (const auto& [index, record] : shown_) CheckPresentation(index, record);
    if (!report_.readable) report_.show.clear();
    return std::move(report_);
  }

 private:
  void Add(Severity severity, const char* rule, const std::wstring& file, SourcePosition at,
           const std::wstring& message) {
    report_.diagnostics.push_back({severity, rule, file, at.line, at.column, message});
  }
  void AddCatalogue(Severity severity, const char* rule, SourcePosition at, const std::wstring& message) {
    Add(severity, rule, L"Message.xml", at, message);
  }

  std::wstring Relative(const std::wstring& path) const {
    std::wstring relative = path.starts_with(options_.folder) ? path.substr(options_.folder.size()) : path;
    if (path.starts_with(options_.folder)) std::replace(relative.begin(), relative.end(), L'\\', L'/');
    return relative;
  }

  std::size_t MessageElement(std::int32_t index) const { return catalogue_.Nth(L"Message", index); }

  void ReportStages(const Collector& collector) {
    report_.appId = collector.appId;
    if (collector.read) {
      switch (options_.cache) {
        case CacheMode::NewUser: report_.cache.reset(); break;
        case CacheMode::File: report_.cache = options_.cacheFile; break;
        case CacheMode::UserCache: report_.cache = collector.cachePath; break;
      }
      AddCatalogue(Severity::Note, "app-id", catalogue_.Attribute(catalogue_.Root(), L"AppID"),
                   L"AppID " + Quoted(collector.appId) + L": this program's seen messages are kept in " +
                       ShownPath(collector.cachePath));
    } else if (options_.cache == CacheMode::File) {
      report_.cache = options_.cacheFile;
    }
    for (const auto& failure : collector.stageFailures) ReportStage(failure);
  }

  void ReportStage(const StageFailure& failure) {
    const SourcePosition root = catalogue_.At(catalogue_.Root());
    switch (failure.stage) {
      case RunStage::LoadCatalogue: return ReportLoad(failure.load, report_.catalogue, true);
      case RunStage::ReadAppId:
        return AddCatalogue(Severity::Error, "app-id", root,
                            L"the root element has no AppID attribute, which names the cache" +
                                std::wstring(kNothingShows));
      case RunStage::LoadCache: {
        const std::wstring cache = ShownPath(report_.cache.value_or(L""));
        if (failure.load.problem == xml::LoadProblem::None) {
          return Add(Severity::Error, "cache", cache, {}, L"the seen-message cache cannot be read: " +
                                                              FromUtf8(failure.cause) + kNothingShows);
        }
        return ReportLoad(failure.load, cache, false);
      }
      case RunStage::TooManyMessages:
        return AddCatalogue(Severity::Error, "too-many", catalogue_.At(MessageElement(32767)),
                            L"the catalogue has more than 32767 Message elements" + std::wstring(kNothingShows));
      case RunStage::NoMessages:
        return AddCatalogue(Severity::Error, "no-message", root,
                            L"the catalogue has no Message element, so the run fails" + std::wstring(kNothingShows));
    }
  }

  void ReportLoad(const xml::LoadFailure& load, const std::wstring& file, bool catalogue) {
    const std::wstring what = catalogue ? L"Message.xml" : L"the seen-message cache";
    const std::wstring name = Relative(file);
    const SourcePosition at = load.line > 0 ? SourcePosition{load.line, std::max(1L, load.column)} : SourcePosition{};
    switch (load.problem) {
      case xml::LoadProblem::None:
      case xml::LoadProblem::File:
        return Add(Severity::Error, catalogue ? "catalogue" : "cache", name, at,
                   what + (FileExists(file) ? L" cannot be read" : L" does not exist") + kNothingShows);
      case xml::LoadProblem::Encoding:
        return Add(Severity::Error, "encoding", name, at, what + L" cannot be decoded: " + load.reason + kNothingShows);
      case xml::LoadProblem::Doctype:
        return Add(Severity::Error, "doctype", name, DoctypePosition(file),
                   what + L" has a document type declaration, which is refused" + kNothingShows);
      case xml::LoadProblem::Declaration:
      case xml::LoadProblem::Syntax: {
        const auto tags = catalogue && load.line == 0 ? catalogue_.FirstTagProblem() : SourceLocator::TagProblem{};
        if (!tags.reason.empty()) {
          // Some readers give no place: the tag scan's first problem is the likeliest one.
          return Add(Severity::Error, "well-formed", name, tags.at,
                     what + L" is not well formed: " + tags.reason + L" (the XML reader says: " + load.reason +
                         L")" + kNothingShows);
        }
        return Add(Severity::Error, "well-formed", name, at,
                   what + L" is not well formed: " + load.reason + kNothingShows);
      }
    }
  }

  static SourcePosition DoctypePosition(const std::wstring& file) {
    const auto bytes = xml::ReadFileBytes(file);
    const auto text = bytes ? xml::DecodeXmlBytes(*bytes) : std::nullopt;
    if (!text) return {};
    const auto at = text->find(L"<!DOCTYPE");
    if (at == std::wstring::npos) return {};
    const std::wstring_view before(text->data(), at);
    const auto lastBreak = before.rfind(L'\n');
    return {static_cast<long>(std::count(before.begin(), before.end(), L'\n')) + 1,
            static_cast<long>(lastBreak == std::wstring_view::npos ? at + 1 : at - lastBreak)};
  }

  void ReportMessages(const Collector& collector, const CatalogueState& state) {
    std::set<std::int32_t> failed;
    for (const auto& failure : collector.valueFailures) failed.insert(failure.index);
    std::vector<std::int32_t> showIndices;
    for (const auto& [index, decided] : collector.decisions) {
      MessageResult result{index + 1, decided.id, catalogue_.At(MessageElement(index)).line, Decision::Show,
                           decided.detail};
      switch (decided.decision) {
        case MessageDecision::Show: result.decision = Decision::Show; break;
        case MessageDecision::Expired: result.decision = Decision::Expired; break;
        case MessageDecision::CheckFile: result.decision = Decision::CheckFile; break;
        case MessageDecision::Seen: result.decision = Decision::Seen; break;
        case MessageDecision::NoId: result.decision = Decision::NoId; break;
      }
      if (failed.contains(index)) result.decision = Decision::Error;
      if (result.decision == Decision::Show) showIndices.push_back(index);
      if (result.decision == Decision::Expired) ReportExpired(index, result);
      if (result.decision == Decision::NoId) {
        AddCatalogue(Severity::Note, "no-id", catalogue_.Attribute(MessageElement(index), L"ID"),
                     MessageName({}, index + 1) + L" has no ID, so it is never shown");
      }
      report_.messages.push_back(std::move(result));
    }
    for (const auto& failure : collector.valueFailures) ReportValue(failure);
    std::sort(report_.messages.begin(), report_.messages.end(),
              [](const auto& a, const auto& b) { return a.index < b.index; });
    for (const auto& failure : collector.valueFailures) {
      const auto at = std::find_if(report_.messages.begin(), report_.messages.end(),
                                   [&](const auto& m) { return m.index == failure.index + 1; });
      if (at == report_.messages.end()) {
        report_.messages.push_back({failure.index + 1, failure.id, catalogue_.At(MessageElement(failure.index)).line,
                                    Decision::Error, {}});
      }
    }
    std::sort(report_.messages.begin(), report_.messages.end(),
              [](const auto& a, const auto& b) { return a.index < b.index; });

    // The accepted records are packed in catalogue order: the i-th belongs to the i-th shown message.
    std::size_t slot = 0;
    for (const std::int32_t index : showIndices) {
      while (slot < state.Messages.size() && state.Messages[slot].IsEmpty()) ++slot;
      if (slot >= state.Messages.size()) break;
      shown_.emplace_back(index + 1, state.Messages[slot++]);
    }
    report_.show = shown_;
    ReportDuplicates();
    // The selection decides the flag; an author who turned waiting off should know what it costs.
    if (!state.Defer && !collector.appId.empty()) {
      AddCatalogue(Severity::Note, "defer", catalogue_.Attribute(catalogue_.Root(), L"Defer"),
                   L"Defer is OFF: messages show at once, even over a full-screen window or with nobody at "
                   L"the desk, and an AutoShut message closes even when nobody saw it");
    }
  }

  void ReportExpired(std::int32_t index, MessageResult& result) {
    const auto date = options_.dates ? options_.dates->Parse(result.detail) : std::nullopt;
    const std::wstring ended = date ? DateText(*date) : result.detail;
    result.detail = ended;
    AddCatalogue(Severity::Warning, "expired", catalogue_.Attribute(MessageElement(index), L"Limit"),
                 MessageName(result.id, index + 1) + L": its Limit " + ended + L" has passed (today is " +
                     DateText(options_.today) + L"), so it never shows again");
  }

  static std::wstring ItemName(const CatalogueItem& item) {
    if (*item.child == L'\0') return item.attribute;
    if (*item.attribute == L'\0') return std::wstring(item.child) + L" text";
    return std::wstring(item.child) + L" " + item.attribute;
  }

  static std::wstring Complaint(const CatalogueItem& item, const std::string& cause) {
    const bool overflow = cause == "Overflow";
    switch (item.kind) {
      case ValueKind::Date: return L"is not a date";
      case ValueKind::Colour:
        return overflow ? L"is not a colour: more than 8 hexadecimal digits"
                        : L"is not a colour (hexadecimal digits BBGGRR)";
      case ValueKind::Whole: return overflow ? L"is not a whole number from -32768 to 32767" : L"is not a whole number";
      case ValueKind::Pixels:
        return overflow ? L"is too large: sizes go from -2184 to 2184 pixels" : L"is not a whole number";
      case ValueKind::Text:
      case ValueKind::Flag: break;
    }
    return L"cannot be read (" + FromUtf8(cause) + L")";
  }

  void ReportValue(const ValueFailure& failure) {
    const std::size_t message = MessageElement(failure.index);
    const std::wstring name = MessageName(failure.id, failure.index + 1) + L": ";
    const bool onMessage = *failure.item.child == L'\0';
    const std::size_t owner = onMessage ? message : catalogue_.Child(message, failure.item.child);
    switch (failure.fault) {
      case ItemFault::MissingChild:
        return AddCatalogue(Severity::Error, "missing", catalogue_.At(message),
                            name + L"has no " + failure.item.child + L" element" + kWhileDue);
      case ItemFault::MissingAttribute:
        return AddCatalogue(Severity::Error, "missing", catalogue_.At(owner),
                            name + (onMessage ? L"has" : std::wstring(failure.item.child) + L" has") + L" no " +
                                failure.item.attribute + L" attribute" + kWhileDue);
      case ItemFault::BadValue: {
        const SourcePosition at = *failure.item.attribute != L'\0'
                                      ? catalogue_.Attribute(owner, failure.item.attribute)
                                      : catalogue_.At(owner);
        return AddCatalogue(Severity::Error, "value", at,
                            name + ItemName(failure.item) + L" " + Quoted(failure.value) + L" " +
                                Complaint(failure.item, failure.cause) + kWhileDue);
      }
    }
  }

  void ReportDuplicates() {
    std::map<std::wstring, std::int32_t> first;
    for (const auto& [index, record] : shown_) {
      const auto [at, inserted] = first.emplace(FoldCase(record.ID), index);
      if (inserted) continue;
      AddCatalogue(Severity::Warning, "duplicate-id", catalogue_.Attribute(MessageElement(index - 1), L"ID"),
                   MessageName(record.ID, index) + L": message #" + std::to_wstring(at->second) +
                       L" has the same ID, so the message shows twice in one run");
    }
  }

  SourcePosition ItemOf(std::int32_t index, const wchar_t* child) const {
    const std::size_t message = MessageElement(index - 1);
    const std::size_t element = catalogue_.Child(message, child);
    return catalogue_.At(element == SourceLocator::kNone ? message : element);
  }

  void CheckPresentation(std::int32_t index, const MsgRecord& record) {
    CheckSkin(index, record);
    CheckLayout(index, record);
    CheckSound(index, record);
    CheckUri(index, record);
  }

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
                           L", so the popup shows no frame pictures");
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

    const PixelBox& title = model.title.box;
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
    const PixelBox& body = model.content.box;
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

  const CheckOptions& options_;
  xml::DomDocument& document_;
  CheckReport report_;
  SourceLocator catalogue_;
  std::vector<std::pair<std::int32_t, MsgRecord>> shown_;
  std::set<std::wstring> skinsDone_;
  std::map<std::wstring, PictureRecorder> skinPictures_;  // by style and logo
  std::set<std::wstring> stylesDone_;
};

}  // namespace

std::size_t CheckReport::Count(Severity severity) const {
  return static_cast<std::size_t>(std::count_if(diagnostics.begin(), diagnostics.end(),
                                                [&](const Diagnostic& d) { return d.severity == severity; }));
}

int CheckReport::ExitStatus() const { return readable && Count(Severity::Error) == 0 ? 0 : 1; }

CheckReport CheckFolder(const CheckOptions& options, xml::DomDocument& document) {
  return Checker(options, document).Run();
}

std::unique_ptr<xml::DomDocument> NewCheckerDocument() {
  for (const wchar_t* progId : {L"MSXML2.DOMDocument", L"Microsoft.XMLDOM"}) {
    auto backend = Trap(std::unique_ptr<xml::DocumentImpl>(), [&] { return xml::CreateDomBackend(progId); });
    if (backend) return std::make_unique<xml::DomDocument>(std::move(backend));
  }
  return nullptr;
}

const char* DecisionName(Decision decision) {
  switch (decision) {
    case Decision::Show: return "show";
    case Decision::Expired: return "expired";
    case Decision::CheckFile: return "check-file";
    case Decision::Seen: return "seen";
    case Decision::NoId: return "no-id";
    case Decision::Error: return "error";
  }
  return "error";
}

const char* SeverityName(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
  }
  return "note";
}

std::wstring ShownPath(const std::wstring& path) {
#ifdef _WIN32
  return path;
#else
  return ReplaceAll(path, L"\\", L"/");
#endif
}

std::wstring DateText(const CivilDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
  return FromUtf8(text);
}

const std::vector<RuleInfo>& Rules() {
  static const std::vector<RuleInfo> rules{
      {"catalogue", "Message.xml is missing or cannot be read; nothing is shown."},
      {"encoding", "Message.xml's bytes are not valid in its encoding; nothing is shown."},
      {"well-formed", "Message.xml is not well-formed XML; nothing is shown."},
      {"doctype", "Message.xml has a document type declaration, which is refused; nothing is shown."},
      {"app-id", "The root's AppID, which names the seen-message cache (note), or its absence (error)."},
      {"cache", "The seen-message cache cannot be read; nothing is shown."},
      {"too-many", "More than 32767 Message elements; nothing is shown."},
      {"no-message", "The catalogue has no Message element; nothing is shown."},
      {"missing", "A due message lacks an attribute or child it needs; nothing is shown while it is due."},
      {"value", "A due message has a value that does not convert; nothing is shown while it is due."},
      {"no-id", "A message without an ID, which is never shown."},
      {"expired", "A message whose Limit has passed, so it never shows again."},
      {"defer", "The root's Defer attribute is OFF: messages do not wait for a good moment (note)."},
      {"duplicate-id", "Two messages to show share an ID, so the message shows twice in one run."},
      {"skin", "A skin style folder or its Config.xml is missing or incomplete; frame pictures will be missing."},
      {"picture", "A skin picture is missing or does not decode, or a button strip is not five cells wide."},
      {"logo", "A message's logo is missing or does not decode."},
      {"sound", "A message's sound is missing or is not a playable WAV file."},
      {"uri", "A local Uri that does not exist, or a Uri whose scheme is not http, https or mailto."},
      {"layout", "Text the popup would cut or overlap: a title, author or date line or button caption too wide, "
                 "or body text running into the rows below it."},
  };
  return rules;
}

}  // namespace notify::checker
