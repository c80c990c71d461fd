#pragma once
// The published catalogue's findings: the local root's Source, SourceKey and SourceEvery
// (rule source), a catalogue checked before publication against the folder's keys and
// skins (rules signature and published), and this user's kept copy and last attempt.
// Every rule is the product's own: these only call it and say where.
#include "catalogue/selection.h"
#include "checker/check_part.h"

namespace notify::checker {

// Rule source over the catalogue just selected.
void CheckSourceAttributes(const CheckOptions& options, xml::DomDocument& document, CheckState& state,
                           const CatalogueState& selected);

// With options.published: the signature beside it, its size, AppID, Serial, each message's
// restrictions, and whether Notify would accept it.
void CheckPublication(const CheckOptions& options, xml::DomDocument& document, CheckState& state);

// This user's State.xml and kept copy, beside the cache the report judged against.
void CheckKeptCopy(const CheckOptions& options, xml::DomDocument& document, CheckState& state);

}  // namespace notify::checker
