#pragma once
// How the checker measures label text for the popup's own layout.
#include <memory>

#include "presentation/layout.h"

namespace notify::checker {

// The popup's label font where there is one; otherwise a cautious estimate that errs towards
// text fitting, so that a warning from it is a real one.
std::unique_ptr<TextMeasure> LabelTextMeasure();
// True when LabelTextMeasure only estimates: findings then say "about".
bool TextMeasureIsEstimate();

}  // namespace notify::checker
