#pragma once
// A catalogue checked before publication against the folder's keys and skins (rules source,
// signature and published), and the folder's own catalogue a copy is judged against.
// Every rule is the product's own: these only call it and say where.
#include <optional>
#include <string>

#include "catalogue/published.h"
#include "checker/check_part.h"

namespace notify::checker {

// The folder's own catalogue: its root, where things are in it, its AppID and its Source.
struct LocalCatalogue {
  xml::DomNode root;
  SourceLocator at;
  std::wstring appId;
  PublishedSource source;
};

// Read into `document`; nothing when the folder's Message.xml cannot be read.
std::optional<LocalCatalogue> ReadLocalCatalogue(xml::DomDocument& document, const std::wstring& folder);

// With options.published: the signature beside it, its size, AppID, Serial, each message's
// restrictions, and whether Notify would accept it.
void CheckPublication(const CheckOptions& options, xml::DomDocument& document, CheckState& state);

}  // namespace notify::checker
