#include "checker/check.h"

#include <algorithm>
#include <cstdio>

#include "catalogue/cache.h"
#include "checker/check_catalogue.h"
#include "checker/check_presentation.h"
#include "checker/check_kept_copy.h"
#include "checker/check_publication.h"
#include "platform/error.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"
#include "platform/xml/file_io.h"

namespace notify::checker {

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

void CheckerPart::Add(Severity severity, const char* rule, const std::wstring& file, SourcePosition at,
                      const std::wstring& message) {
  report_.diagnostics.push_back({severity, rule, file, at.line, at.column, message});
}

void CheckerPart::AddCatalogue(Severity severity, const char* rule, SourcePosition at, const std::wstring& message) {
  Add(severity, rule, catalogueFile_, at, message);
}

std::wstring CheckerPart::Relative(const std::wstring& path) const {
  std::wstring relative = path.starts_with(options_.folder) ? path.substr(options_.folder.size()) : path;
  if (path.starts_with(options_.folder)) std::replace(relative.begin(), relative.end(), L'\\', L'/');
  return relative;
}

std::size_t CheckerPart::MessageElement(std::int32_t index) const { return catalogue_.Nth(L"Message", index); }

SourcePosition CheckerPart::ItemOf(std::int32_t index, const wchar_t* child) const {
  const std::size_t message = MessageElement(index - 1);
  const std::size_t element = catalogue_.Child(message, child);
  return catalogue_.At(element == SourceLocator::kNone ? message : element);
}

std::size_t CheckReport::Count(Severity severity) const {
  return static_cast<std::size_t>(std::count_if(diagnostics.begin(), diagnostics.end(),
                                                [&](const Diagnostic& d) { return d.severity == severity; }));
}

int CheckReport::ExitStatus() const { return readable && Count(Severity::Error) == 0 ? 0 : 1; }

CheckReport CheckFolder(const CheckOptions& options, xml::DomDocument& document) {
  CheckState state;
  CheckReport& report = state.report;
  report.folder = options.folder;
  const bool published = !options.published.empty();
  report.catalogue = published ? options.published : options.folder + L"Message.xml";
  report.today = options.today;
  SetProgramFolder(options.folder);
  state.catalogue = LocatorFor(report.catalogue);
  if (published) state.catalogueFile = ShownPath(options.published);

  const auto shown = CheckCatalogue(options, document, state);
  CheckPresentation(options, document, state, shown);
  // Both read files into the document, so they come after the selection's findings.
  if (published) {
    CheckPublication(options, document, state);
  } else if (options.cache == CacheMode::UserCache) {
    CheckKeptCopy(options, document, state);
  }
  if (!report.readable) {
    report.show.clear();
    for (auto& message : report.messages) {
      if (message.decision == Decision::Show) message.decision = Decision::Blocked;
    }
  }
  return std::move(report);
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
    case Decision::NotYet: return "not-yet";
    case Decision::OtherLanguage: return "other-language";
    case Decision::OtherVersion: return "other-version";
    case Decision::Held: return "held";
    case Decision::Error: return "error";
    case Decision::Blocked: return "blocked";
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

std::wstring ShownCachePath(const std::wstring& appId, const std::wstring& cachePath) {
#ifdef _WIN32
  (void)appId;
  return cachePath;
#else
  (void)cachePath;
  return CachePathFor(L"%APPDATA%\\", appId);
#endif
}

std::wstring DateText(const CivilDate& date) {
  char text[16];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d", date.Year, date.Month, date.Day);
  return FromUtf8(text);
}

}  // namespace notify::checker
