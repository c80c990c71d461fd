#pragma once
// How the checker measures label text for the popup's own layout.
#include <memory>

#include "presentation/layout.h"

namespace notify::checker {

// The popup's label font where there is one; otherwise an estimate that errs towards text
// not fitting, so that what the popup would cut is never passed as fitting.
std::unique_ptr<TextMeasure> LabelTextMeasure();
// True when LabelTextMeasure only estimates: findings then say "about".
bool TextMeasureIsEstimate();

}  // namespace notify::checker
