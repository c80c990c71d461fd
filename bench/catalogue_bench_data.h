#pragma once
// A catalogue of n messages and a cache of m identifiers in a scratch program folder, for
// timing the selection natively and under Wine. Every second message is seen (when the
// cache is large enough); the others are accepted and read in full. With the audience,
// every message also has a Start, languages and a version range that all let it through,
// and the root a Program and pacing that hold nothing back.
#include <filesystem>
#include <memory>
#include <string>

#include "catalogue/selection.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "test_support.h"

namespace notify::bench {

inline std::wstring BackslashPath(std::wstring path) {
  for (auto& c : path) {
    if (c == L'/') c = L'\\';
  }
  return path;
}

class CatalogueWorkload {
 public:
  CatalogueWorkload(int messages, int seenIds, bool audience = false) {
    const std::wstring root = BackslashPath(scratch_.text());
    SetProgramFolder(root + L"app\\");
    env.AppDataFolder = root + L"data\\";
    env.Today = [] { return CivilDate{2025, 6, 15}; };
    env.Dates = std::make_shared<PortableDateParser>();

    if (audience) {
      env.Languages = [] { return std::vector<std::wstring>{L"fr-FR", L"en-US"}; };
      env.ProgramVersion = [](const std::wstring&) { return std::optional(DottedVersion{6, 0, 2, 0}); };
      env.Now = [] { return std::int64_t{1'750'000'000}; };
      env.LastShown = [](xml::DomDocument&, const std::wstring&) { return std::optional<std::int64_t>(); };
    }
    std::string catalogue = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Catalog AppID=\"Bench.App\"";
    catalogue += audience ? " Program=\"{#P@CUR}Host.exe\" MaxPerRun=\"32767\" MinHours=\"24\">\n" : ">\n";
    const std::string audienceXml =
        audience ? " Start=\"2025-01-01\" Lang=\"de en\" MinVersion=\"6.0\" BelowVersion=\"7.0\"" : "";
    for (int i = 0; i < messages; ++i) catalogue += MessageXml(i % 2 == 0 ? "SEEN-" : "new-", i, audienceXml);
    test::WriteBytes(scratch_ / "app" / "Message.xml", catalogue + "</Catalog>\n");

    std::string cache = "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<Config>";
    for (int i = 0; i < seenIds; ++i) cache += "<ID>seen-" + std::to_string(i) + "</ID>";
    test::WriteBytes(scratch_ / "data" / "Korvane" / "Bench" / "App" / "MessageCache.xml", cache + "</Config>");
    catalogPath = ProgramFolder() + L"Message.xml";
    cachePath = env.AppDataFolder + L"Korvane\\Bench\\App\\MessageCache.xml";
  }

  static std::unique_ptr<xml::DomDocument> NewDocument() {
    return std::make_unique<xml::DomDocument>(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  }

  SelectionEnvironment env;
  std::wstring catalogPath;
  std::wstring cachePath;

 private:
  static std::string MessageXml(const char* prefix, int i, const std::string& audience) {
    const std::string id = prefix + std::to_string(i);
    return "<Message Limit=\"2099-12-31\"" + audience + " ID=\"" + id +
           "\" Style=\"Blue\" AutoShut=\"10\"><Check></Check><Uri>https://example.com/" + id +
           "</Uri><Logo>logo.png</Logo><Sound>ding.wav</Sound>"
           "<Form Color=\"FFFFFF\" Width=\"408\" Height=\"200\" Round=\"on\" Shadow=\"on\"/>"
           "<Title Color=\"0000FF\">Title " + id + "</Title><Content Color=\"000000\">Some body text for " + id +
           "</Content><Author Color=\"808080\">Team</Author><Date Color=\"FF0000\">2025-06-01</Date>"
           "<BtnCls Color=\"000000\" PColor=\"00FF00\" Width=\"60\" Height=\"24\">Close</BtnCls>"
           "<BtnCfm Color=\"FFFFFF\" PColor=\"FF00FF\" Width=\"80\" Height=\"26\">OK</BtnCfm></Message>\n";
  }

  test::TempDir scratch_;
};

}  // namespace notify::bench
