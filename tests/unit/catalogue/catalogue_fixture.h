#pragma once
// Catalogues and caches written into a scratch program folder and application-data
// folder, and a selection run against them with an injected clock and date parser.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/cache.h"
#include "catalogue/selection.h"
#include "platform/paths.h"
#include "platform/text.h"
#include "platform/xml/dom.h"
#include "test_support.h"
#include "../platform/xml/xml_test_support.h"

namespace notify::test {

// A value that leaves the attribute or child out of the generated XML.
inline const std::wstring kOmit = L"\x01omit";

// One Message element: keys are "Limit", "ID", "Style", "AutoShut" and the audience's (attributes), a child
// name ("Check", "Title"...) for its text, and "Child@Attr" for a child's attribute.
using MessageFields = std::map<std::wstring, std::wstring>;

inline MessageFields DefaultMessage(const std::wstring& id) {
  return {{L"Limit", L"2099-12-31"}, {L"ID", id}, {L"Style", L" Blue "}, {L"AutoShut", L"10"},
          {L"Check", L""}, {L"Uri", L"https://example.com/news?id=1"}, {L"Logo", L" logo.png "},
          {L"Sound", L"ding.wav"}, {L"Form", L""}, {L"Form@Color", L"FFFFFF"}, {L"Form@Width", L"408"},
          {L"Form@Height", L"200"}, {L"Form@Round", L"on"}, {L"Form@Shadow", L"OFF"},
          {L"Title", L" Hello "}, {L"Title@Color", L"0000FF"}, {L"Content", L"Body text"},
          {L"Content@Color", L""}, {L"Author", L"Team"}, {L"Author@Color", L"808080"},
          {L"Date", L"2025-12-01"}, {L"Date@Color", L"FF0000"}, {L"BtnCls", L"Close"},
          {L"BtnCls@Color", L"000000"}, {L"BtnCls@PColor", L"00FF00"}, {L"BtnCls@Width", L"60"},
          {L"BtnCls@Height", L"24"}, {L"BtnCfm", L"OK"}, {L"BtnCfm@Color", L"FFFFFF"},
          {L"BtnCfm@PColor", L"FF00FF"}, {L"BtnCfm@Width", L"80"}, {L"BtnCfm@Height", L"26"}};
}

inline MessageFields With(MessageFields fields, const std::wstring& key, const std::wstring& value) {
  fields[key] = value;
  return fields;
}

inline std::wstring Escape(const std::wstring& text) {
  std::wstring out;
  for (wchar_t c : text) {
    if (c == L'&') out += L"&amp;";
    else if (c == L'<') out += L"&lt;";
    else if (c == L'"') out += L"&quot;";
    else out += c;
  }
  return out;
}

inline std::wstring MessageXml(const MessageFields& fields) {
  std::wstring attributes;
  std::map<std::wstring, std::wstring> childAttributes;
  std::vector<std::wstring> children;
  for (const auto& [key, value] : fields) {
    if (value == kOmit) continue;
    const auto at = key.find(L'@');
    if (at != std::wstring::npos) {
      childAttributes[key.substr(0, at)] += L" " + key.substr(at + 1) + L"=\"" + Escape(value) + L"\"";
    } else if (key == L"Limit" || key == L"ID" || key == L"Style" || key == L"AutoShut" || key == L"Start" ||
               key == L"Lang" || key == L"MinVersion" || key == L"BelowVersion") {
      attributes += L" " + key + L"=\"" + Escape(value) + L"\"";
    } else {
      children.push_back(key);
    }
  }
  std::wstring xml = L"<Message" + attributes + L">";
  for (const auto& child : children) {
    xml += L"<" + child + childAttributes[child] + L">" + Escape(fields.at(child)) + L"</" + child + L">";
  }
  return xml + L"</Message>";
}

using xml::test::ModulePath;  // backslash paths on every build

// Whichever backend this build has, with COM ready under Wine.
using xml::test::NewDocument;

class CatalogueTest : public testing::Test {
 protected:
  void SetUp() override {
    savedProgramFolder_ = ProgramFolder();
    programFolder = ModulePath(scratch.text()) + L"app\\";
    appDataFolder = ModulePath(scratch.text()) + L"appdata\\";
    std::filesystem::create_directories(scratch / "app");
    std::filesystem::create_directories(scratch / "appdata");
    SetProgramFolder(programFolder);
    env.AppDataFolder = appDataFolder;
    env.Today = [this] {
      ++clockReads;
      return today;
    };
    env.Dates = std::make_shared<PortableDateParser>();
    doc = NewDocument();
    ASSERT_NE(doc, nullptr);
  }
  void TearDown() override { SetProgramFolder(savedProgramFolder_); }

  void WriteCatalogue(const std::vector<MessageFields>& messages, const std::wstring& rootAttributes = L" AppID=\"Acme.Notify\"") {
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Catalog" + rootAttributes + L">\n";
    for (const auto& m : messages) xml += L"  " + MessageXml(m) + L"\n";
    WriteCatalogueText(xml + L"</Catalog>\n");
  }
  void WriteCatalogueText(const std::wstring& xml) { WriteBytes(scratch / "app" / "Message.xml", ToUtf8(xml)); }

  std::filesystem::path CacheFile(const std::string& relative = "Korvane/Acme/Notify/MessageCache.xml") const {
    return scratch / "appdata" / relative;
  }
  void WriteCache(const std::string& bytes) { WriteBytes(CacheFile(), bytes); }

  bool Select() { return SelectMessages(doc.get(), state, env); }

  std::vector<std::wstring> AcceptedIds() const {
    std::vector<std::wstring> ids;
    for (const auto& r : state.Messages) {
      if (!r.ID.empty()) ids.push_back(r.ID);
    }
    return ids;
  }

  TempDir scratch;
  std::wstring programFolder;
  std::wstring appDataFolder;
  CivilDate today{2025, 6, 15};
  int clockReads = 0;
  SelectionEnvironment env;
  std::unique_ptr<xml::DomDocument> doc;
  CatalogueState state;

 private:
  std::wstring savedProgramFolder_;
};

}  // namespace notify::test
