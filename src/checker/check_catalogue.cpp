#include "checker/check_catalogue.h"

#include <algorithm>

#include "catalogue/cache.h"
#include "checker/check_source.h"
#include "checker/check_values.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/encoding.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

namespace {

constexpr const wchar_t* kNothingShows = L"; no message of the catalogue is shown to anyone";

class CatalogueChecker final : CheckerPart {
 public:
  using CheckerPart::CheckerPart;

  std::vector<std::pair<std::int32_t, MsgRecord>> Run(CheckState& state) {
    const SelectionEnvironment env = CheckerEnvironment(options_);
    Collector collector(document_);
    CatalogueState selected;
    if (options_.published.empty()) {
      report_.readable = SelectMessages(&document_, selected, env, collector);
    } else {
      const auto bytes = xml::ReadFileBytes(options_.published);
      report_.readable = SelectMessagesFromBytes(&document_, bytes.value_or(std::string()), selected, env, &collector);
    }
    ReportStages(collector);
    if (options_.published.empty()) CheckSourceAttributes(options_, document_, state, selected);
    return CheckMessages(options_, document_, state, collector, selected);
  }

 private:
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
                       ShownCachePath(collector.appId, collector.cachePath));
      const std::wstring problem = CachePathProblem(collector.appId, collector.cachePath);
      if (!problem.empty()) {
        // Notify creates the cache before it shows anything, so no user would see a message.
        report_.readable = false;
        AddCatalogue(Severity::Error, "app-id", catalogue_.Attribute(catalogue_.Root(), L"AppID"),
                     L"AppID " + Quoted(collector.appId) + L": Windows cannot create the seen-message cache " +
                         ShownCachePath(collector.appId, collector.cachePath) + L": " + problem + kNothingShows);
      }
    } else if (options_.cache == CacheMode::File) {
      report_.cache = options_.cacheFile;
    }
    for (const auto& failure : collector.stageFailures) ReportStage(failure);
  }

  void ReportStage(const StageFailure& failure) {
    const SourcePosition root = catalogue_.At(catalogue_.Root());
    switch (failure.stage) {
      case RunStage::LoadCatalogue: return ReportLoad(failure.load, report_.catalogue, true);
      case RunStage::ReadAppId: {
        const auto like = Resembling(catalogue_.AttributeNames(catalogue_.Root()), L"AppID");
        return AddCatalogue(Severity::Error, "app-id", like ? catalogue_.Attribute(catalogue_.Root(), like->present) : root,
                            L"the root element has no AppID attribute, which names the cache" +
                                (like ? L" (" + like->advice + L")" : L"") + kNothingShows);
      }
      case RunStage::LoadCache: {
        const std::wstring cache = ShownPath(report_.cache.value_or(L""));
        if (failure.load.problem == xml::LoadProblem::None) {
          return Add(Severity::Error, "cache", cache, {}, L"the seen-message cache cannot be read: " +
                                                              FromUtf8(failure.cause) + kNothingShows);
        }
        return ReportLoad(failure.load, cache, false);
      }
      case RunStage::ReadPacing:
        return AddCatalogue(Severity::Error, "value", root, FromUtf8(failure.cause) + kNothingShows);
      case RunStage::TooManyMessages:
        return AddCatalogue(Severity::Error, "too-many", catalogue_.At(MessageElement(32767)),
                            L"the catalogue has more than 32767 Message elements" + std::wstring(kNothingShows));
      case RunStage::NoMessages:
        return AddCatalogue(Severity::Error, "no-message", root,
                            L"the catalogue has no Message element, so the run fails" + std::wstring(kNothingShows));
    }
  }

  // Places and words come from the checker's own scan of the text where it finds the fault,
  // so both builds say the same; the reader's own place and words only where it does not.
  void ReportLoad(const xml::LoadFailure& load, const std::wstring& file, bool catalogue) {
    const std::wstring what = catalogue ? L"Message.xml" : L"the seen-message cache";
    const std::wstring name = Relative(file);
    const SourcePosition at = load.line > 0 ? SourcePosition{load.line, std::max(1L, load.column)} : SourcePosition{};
    switch (load.problem) {
      case xml::LoadProblem::None:
      case xml::LoadProblem::File:
        return Add(Severity::Error, catalogue ? "catalogue" : "cache", name, at,
                   what + (FileExists(file) ? L" cannot be read" : L" does not exist") + kNothingShows);
      case xml::LoadProblem::Encoding: {
        const auto bytes = xml::ReadFileBytes(file);
        const auto bad = bytes ? FirstUndecodable(*bytes) : std::nullopt;
        return Add(Severity::Error, "encoding", name, bad.value_or(at),
                   what + L" cannot be decoded: " + load.reason + kNothingShows);
      }
      case xml::LoadProblem::Doctype:
        return Add(Severity::Error, "doctype", name, LocatorFor(file).Find(L"<!DOCTYPE"),
                   what + L" has a document type declaration, which is refused" + kNothingShows);
      case xml::LoadProblem::Declaration:
      case xml::LoadProblem::Syntax: {
        const auto tags = (catalogue ? catalogue_ : LocatorFor(file)).FirstTagProblem();
        if (!tags.reason.empty()) {
          return Add(Severity::Error, "well-formed", name, tags.at,
                     what + L" is not well formed: " + tags.reason + kNothingShows);
        }
        return Add(Severity::Error, "well-formed", name, at,
                   what + L" is not well formed: " + load.reason + kNothingShows);
      }
    }
  }
};

}  // namespace

SelectionEnvironment CheckerEnvironment(const CheckOptions& options) {
  SelectionEnvironment env = DefaultSelectionEnvironment();
  env.Today = [today = options.today] { return today; };
  if (options.dates) env.Dates = options.dates;
  if (options.languages) env.Languages = [&options] { return *options.languages; };
  if (options.programVersion) {
    env.ProgramVersion = [&options](const std::wstring&) { return options.programVersion; };
  }
  if (options.now) env.Now = [&options] { return *options.now; };
  env.LastShown = [&options](xml::DomDocument&, const std::wstring&) { return options.lastShown; };
  env.SeenIds = [&options](xml::DomDocument& doc, const std::wstring& cachePath) {
    switch (options.cache) {
      case CacheMode::NewUser: return std::vector<std::wstring>(1);
      case CacheMode::File: return ReadSeenIds(doc, options.cacheFile);
      case CacheMode::UserCache: break;
    }
    return ReadSeenIds(doc, cachePath);
  };
  return env;
}

std::vector<std::pair<std::int32_t, MsgRecord>> CheckCatalogue(const CheckOptions& options,
                                                               xml::DomDocument& document, CheckState& state) {
  return CatalogueChecker(options, document, state).Run(state);
}

const std::vector<RuleInfo>& Rules() {
  static const std::vector<RuleInfo> rules{
      {"catalogue", "Message.xml is missing or cannot be read; nothing is shown."},
      {"encoding", "Message.xml's bytes are not valid in its encoding; nothing is shown."},
      {"well-formed", "Message.xml is not well-formed XML; nothing is shown."},
      {"doctype", "Message.xml has a document type declaration, which is refused; nothing is shown."},
      {"app-id", "The root's AppID, which names the seen-message cache (note), or its absence or a cache path "
                 "Windows cannot create (error)."},
      {"cache", "The seen-message cache cannot be read; nothing is shown."},
      {"too-many", "More than 32767 Message elements; nothing is shown."},
      {"no-message", "The catalogue has no Message element; nothing is shown."},
      {"missing", "A due message lacks an attribute or child it needs; nothing is shown while it is due."},
      {"value", "A due message has a value that does not convert; nothing is shown while it is due."},
      {"date-form", "A Limit not written yyyy-mm-dd, and what it means in each user locale checked; an error "
                    "when one of them reads no date."},
      {"path", "A Check, Uri, Logo or Sound path with an unknown macro, dropped text after {#P@PRT}, or a relative "
               "path: what the program will look for."},
      {"no-id", "A message without an ID, which is never shown."},
      {"expired", "A message whose Limit has passed, so it never shows again."},
      {"not-yet", "A message whose Start is still to come (note)."},
      {"other-language", "A message in none of the user's languages (note)."},
      {"other-version", "A message for other versions of the host program (note)."},
      {"held", "A message held back by MaxPerRun or MinHours for a later run (note)."},
      {"start", "A Start after the Limit, so the message never shows."},
      {"lang", "A Lang tag that is not a well-formed language tag, so it matches no one."},
      {"version-range", "A MinVersion not below the BelowVersion, or a version range without the root's Program; "
                        "the message never shows."},
      {"defer", "The root's Defer attribute is OFF: messages do not wait for a good moment (note)."},
      {"duplicate-id", "Two messages to show share an ID, so the message shows twice in one run."},
      {"skin", "A skin style folder or its Config.xml is missing or incomplete; frame pictures will be missing."},
      {"picture", "A skin picture is missing or does not decode, or a button strip is not five cells wide."},
      {"frame", "A frame corner and the edge beside it differ in thickness, so the frame shows a step."},
      {"logo", "A message's logo is missing or does not decode."},
      {"sound", "A message's sound is missing or is not a playable WAV file."},
      {"uri", "A local Uri that does not exist, or a Uri whose scheme is not http, https or mailto."},
      {"layout", "Text the popup would cut or overlap: a title, author or date line or button caption too wide, "
                 "or body text running into the rows below it."},
      {"source", "The root's Source, SourceKey or SourceEvery would be ignored or left out, or (note) what the "
                 "published catalogue is."},
      {"signature", "A publication's signature file is missing (sign before upload), too large, or does not verify "
                    "with the folder's keys."},
      {"published", "A publication Notify would refuse (size, AppID, Serial, a Uri, path or Style a published "
                    "message may not have), or this user's last fetch and kept copy (notes)."},
  };
  return rules;
}

}  // namespace notify::checker
