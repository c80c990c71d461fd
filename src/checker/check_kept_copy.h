#pragma once
// This user's published catalogue as the product keeps it: the last fetch State.xml records,
// and whether the kept copy still verifies and what it would show. Every rule is the
// product's own: this only calls it and says where.
#include "checker/check_part.h"

namespace notify::checker {

// This user's State.xml and kept copy, beside the cache the report judged against.
void CheckKeptCopy(const CheckOptions& options, xml::DomDocument& document, CheckState& state);

}  // namespace notify::checker
