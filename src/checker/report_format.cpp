#include "checker/report_format.h"

#include <cstdio>
#include <string_view>

#include "platform/text.h"

namespace notify::checker {

namespace {

std::string JsonString(const std::wstring& text) {
  std::string out = "\"";
  for (const char c : ToUtf8(text)) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out + "\"";
}

std::string JsonString(const char* text) { return JsonString(FromUtf8(text)); }

// A path as a URI reference: '/' separated, anything but unreserved characters escaped.
std::string UriPath(const std::wstring& path) {
  std::string out;
  for (const char c : ToUtf8(ReplaceAll(path, L"\\", L"/"))) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
        std::string_view("-._~/:").find(c) != std::string_view::npos) {
      out += c;
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", u);
      out += escaped;
    }
  }
  return out;
}

bool IsAbsolute(const std::wstring& file) {
  return file.starts_with(L"/") || file.starts_with(L"\\") || (file.size() > 1 && file[1] == L':');
}

// A finding's file as the report names it: relative ones below the prefix, if any.
std::wstring ReportedFile(const std::wstring& file, const FormatOptions& options) {
  if (options.pathPrefix.empty() || IsAbsolute(file)) return file;
  return options.pathPrefix + L"/" + file;
}

// The artifact of a diagnostic: relative to the folder (or with a prefix, to the
// repository's root), or a file URI outside the folder.
std::string ArtifactLocation(const std::wstring& file, const FormatOptions& options) {
  if (IsAbsolute(file)) return "{\"uri\": " + JsonString(FromUtf8(FileUri(file))) + "}";
  const std::string uri = JsonString(FromUtf8(UriPath(ReportedFile(file, options))));
  if (!options.pathPrefix.empty()) return "{\"uri\": " + uri + "}";
  return "{\"uri\": " + uri + ", \"uriBaseId\": \"FOLDER\"}";
}

struct RuleDoc {
  const char* id;
  const char* severity;
  const char* markdown;
};

constexpr RuleDoc kRuleDocs[] = {
#include "checker/rule_docs.inc"
};

const RuleDoc* DocOf(std::string_view id) {
  for (const RuleDoc& doc : kRuleDocs) {
    if (id == doc.id) return &doc;
  }
  return nullptr;
}

// The documentation's markdown as plain text: code spans and emphasis lose their marks.
std::wstring PlainText(std::string_view markdown) {
  std::string out;
  for (const char c : markdown) {
    if (c != '`' && c != '*') out += c;
  }
  return FromUtf8(out);
}

std::string Plural(std::size_t n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string SarifLevel(Severity severity) {
  switch (severity) {
    case Severity::Error: return "error";
    case Severity::Warning: return "warning";
    case Severity::Note: return "note";
  }
  return "note";
}

}  // namespace

std::string FileUri(const std::wstring& path) {
  std::string uri = UriPath(path);
  if (uri.starts_with("//")) return "file:" + uri;
  while (!uri.empty() && uri.front() == '/') uri.erase(0, 1);
  return "file:///" + uri;
}

std::string FormatText(const CheckReport& report, const FormatOptions& options) {
  std::string out;
  for (const auto& d : report.diagnostics) {
    out += ToUtf8(ReportedFile(d.file, options)) + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
           SeverityName(d.severity) + ": " + ToUtf8(d.message) + " [" + d.rule + "]\n";
  }
  std::size_t counts[7] = {};
  for (const auto& m : report.messages) {
    ++counts[static_cast<int>(m.decision)];
    out += "  #" + std::to_string(m.index) + " " + (m.id.empty() ? std::string("(no ID)") : ToUtf8(m.id)) +
           " (line " + std::to_string(m.line) + "): " + DecisionName(m.decision);
    if (!m.detail.empty()) out += m.decision == Decision::Expired ? " (ended " + ToUtf8(m.detail) + ")"
                                                                  : " (" + ToUtf8(ShownPath(m.detail)) + ")";
    out += "\n";
  }
  if (!report.readable) out += "The catalogue would not be read: no message is shown to anyone.\n";
  out += Plural(report.messages.size(), "message", "messages") + ": " + std::to_string(report.show.size()) +
         " to show";
  const char* names[] = {nullptr, "expired", "check-file", "seen", "no-id", "in error", "blocked"};
  for (int decision = 1; decision < 7; ++decision) {
    if (counts[decision] != 0) out += ", " + std::to_string(counts[decision]) + " " + names[decision];
  }
  out += "; " + Plural(report.Count(Severity::Error), "error", "errors") + ", " +
         Plural(report.Count(Severity::Warning), "warning", "warnings") + "\n";
  return out;
}

std::string FormatJson(const CheckReport& report, const FormatOptions& options) {
  std::string out = "{\n";
  out += "  \"folder\": " + JsonString(ShownPath(report.folder)) + ",\n";
  out += "  \"catalogue\": " + JsonString(ShownPath(report.catalogue)) + ",\n";
  out += "  \"appId\": " + JsonString(report.appId) + ",\n";
  out += "  \"cache\": " + (report.cache ? JsonString(ShownPath(*report.cache)) : std::string("null")) + ",\n";
  out += "  \"today\": " + JsonString(DateText(report.today)) + ",\n";
  out += std::string("  \"readable\": ") + (report.readable ? "true" : "false") + ",\n";
  out += "  \"show\": [";
  for (std::size_t i = 0; i < report.show.size(); ++i) {
    out += (i == 0 ? "" : ", ") + JsonString(report.show[i].second.ID);
  }
  out += "],\n  \"messages\": [";
  for (std::size_t i = 0; i < report.messages.size(); ++i) {
    const auto& m = report.messages[i];
    out += std::string(i == 0 ? "\n" : ",\n") + "    {\"index\": " + std::to_string(m.index) +
           ", \"id\": " + JsonString(m.id) + ", \"line\": " + std::to_string(m.line) +
           ", \"decision\": " + JsonString(DecisionName(m.decision)) + "}";
  }
  out += report.messages.empty() ? "],\n" : "\n  ],\n";
  out += "  \"diagnostics\": [";
  for (std::size_t i = 0; i < report.diagnostics.size(); ++i) {
    const auto& d = report.diagnostics[i];
    out += std::string(i == 0 ? "\n" : ",\n") + "    {\"severity\": " + JsonString(SeverityName(d.severity)) +
           ", \"rule\": " + JsonString(d.rule.c_str()) + ", \"file\": " + JsonString(ReportedFile(d.file, options)) +
           ", \"line\": " + std::to_string(d.line) + ", \"column\": " + std::to_string(d.column) +
           ", \"message\": " + JsonString(d.message) + "}";
  }
  out += report.diagnostics.empty() ? "]\n}\n" : "\n  ]\n}\n";
  return out;
}

std::string FormatSarif(const CheckReport& report, const FormatOptions& options) {
  std::string out =
      "{\n  \"$schema\": \"https://json.schemastore.org/sarif-2.1.0.json\",\n  \"version\": \"2.1.0\",\n"
      "  \"runs\": [{\n    \"tool\": {\"driver\": {\"name\": \"notify-check\", \"version\": \"" NOTIFY_VERSION
      "\", \"informationUri\": \"" NOTIFY_CHECKER_DOCS_URI "\", \"rules\": [";
  const auto& rules = Rules();
  for (std::size_t i = 0; i < rules.size(); ++i) {
    const RuleDoc* doc = DocOf(rules[i].id);
    // A rule the page lacks still gets its one line, so the report stays valid.
    const std::string markdown = doc ? doc->markdown : rules[i].description;
    const std::wstring severity = doc ? FromUtf8(doc->severity) : L"";
    out += std::string(i == 0 ? "\n" : ",\n") + "      {\"id\": " + JsonString(rules[i].id) +
           ", \"shortDescription\": {\"text\": " + JsonString(rules[i].description) +
           "}, \"fullDescription\": {\"text\": " + JsonString(PlainText(markdown)) +
           "}, \"help\": {\"text\": " + JsonString(L"Rule " + FromUtf8(rules[i].id) + L" (" + severity + L"): " +
                                                   PlainText(markdown)) +
           ", \"markdown\": " + JsonString(FromUtf8("**" + std::string(rules[i].id) + "** (" + ToUtf8(severity) +
                                                     "): " + markdown)) +
           "}, \"helpUri\": \"" NOTIFY_CHECKER_DOCS_URI "#rules\"}";
  }
  out += "\n    ]}},\n";
  if (options.pathPrefix.empty()) {
    out += "    \"originalUriBaseIds\": {\"FOLDER\": {\"uri\": " + JsonString(FromUtf8(FileUri(report.folder))) +
           "}},\n";
  }
  out += "    \"results\": [";
  for (std::size_t i = 0; i < report.diagnostics.size(); ++i) {
    const auto& d = report.diagnostics[i];
    std::size_t ruleIndex = 0;
    while (ruleIndex < rules.size() && d.rule != rules[ruleIndex].id) ++ruleIndex;
    out += std::string(i == 0 ? "\n" : ",\n") + "      {\"ruleId\": " + JsonString(d.rule.c_str()) +
           ", \"ruleIndex\": " + std::to_string(ruleIndex) + ", \"level\": " + JsonString(SarifLevel(d.severity).c_str()) +
           ", \"message\": {\"text\": " + JsonString(d.message) +
           "}, \"locations\": [{\"physicalLocation\": {\"artifactLocation\": " + ArtifactLocation(d.file, options) +
           ", \"region\": {\"startLine\": " + std::to_string(d.line) +
           ", \"startColumn\": " + std::to_string(d.column) + "}}}]}";
  }
  out += report.diagnostics.empty() ? "]\n  }]\n}\n" : "\n    ]\n  }]\n}\n";
  return out;
}

}  // namespace notify::checker
