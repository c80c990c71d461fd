// The date parser and the value conversions of catalogue attributes. The input is
// taken as UTF-8 text, the way a decoded catalogue hands it over.
#include <cstddef>
#include <cstdint>

#include "catalogue/conversions.h"
#include "fuzz_support.h"
#include "platform/error.h"

using namespace notify;

namespace {

// A conversion fails by throwing RuntimeError, which the selection's trap turns into "no
// run"; any other exception escapes to libFuzzer as the fault it is.
template <class Body>
void Tolerating(Body body) {
  try {
    body();
  } catch (const RuntimeError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::wstring text = FromUtf8(fuzz::AsBytes(data, size));

  for (const auto order : {DateOrder::MonthDayYear, DateOrder::DayMonthYear, DateOrder::YearMonthDay}) {
    const PortableDateParser parser(order);
    // The parser says "no date" by returning nothing; it never throws.
    const std::optional<CivilDate> date = parser.Parse(text);
    if (date && !IsValidDate(*date)) fuzz::PropertyFailed("the parser returned an impossible date", text);
    if (date) (void)DayNumber(*date);
    Tolerating([&] { (void)IsExpired(text, CivilDate{2026, 12, 9}, parser); });
  }
  Tolerating([&] { (void)ColourFromText(text); });
  Tolerating([&] { (void)Int16FromText(text); });
  Tolerating([&] { (void)TwipsFromPixelsText(text); });
  Tolerating([&] { (void)FlagFromText(text); });
  Tolerating([&] { (void)Val(text); });
  return 0;
}
