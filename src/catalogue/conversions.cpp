#include "catalogue/conversions.h"

#include <chrono>
#include <cstdlib>
#include <limits>

#include "platform/error.h"
#include "platform/text.h"

namespace notify {

namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

int DigitValue(wchar_t c, int radix) {
  int v = -1;
  if (IsDigit(c)) v = c - L'0';
  else if (c >= L'a' && c <= L'f') v = c - L'a' + 10;
  else if (c >= L'A' && c <= L'F') v = c - L'A' + 10;
  return v < radix ? v : -1;
}

// A number text broken into its parts: either a radix form (&H/&O) with its unsigned
// value, or decimal significant digits with a power of ten.
struct NumberText {
  bool radixForm = false;
  std::uint64_t radixValue = 0;
  bool negative = false;
  std::string digits;  // no leading zeros
  int exponent = 0;    // value = digits * 10^exponent
};

class NumberScanner {
 public:
  explicit NumberScanner(std::wstring_view text) : text_(text) {}

  NumberText Scan() {
    SkipBlanks();
    NumberText number;
    if (Peek() == L'&') {
      ScanRadix(number);
    } else {
      ScanDecimal(number);
    }
    SkipBlanks();
    if (pos_ != text_.size()) Fail("Type mismatch");
    return number;
  }

 private:
  wchar_t Peek() const { return pos_ < text_.size() ? text_[pos_] : L'\0'; }
  bool Accept(wchar_t c) {
    if (Peek() != c) return false;
    ++pos_;
    return true;
  }
  void SkipBlanks() {
    while (IsBlank(Peek())) ++pos_;
  }

  void ScanRadix(NumberText& number) {
    ++pos_;
    const wchar_t kind = FoldCase(Peek());
    const int radix = kind == L'H' ? 16 : kind == L'O' ? 8 : 0;
    if (radix == 0) Fail("Type mismatch");
    ++pos_;
    number.radixForm = true;
    int count = 0;
    for (int d = DigitValue(Peek(), radix); d >= 0; d = DigitValue(Peek(), radix), ++count) {
      if (number.radixValue > (std::numeric_limits<std::uint64_t>::max() >> 4)) Fail("Overflow");
      number.radixValue = number.radixValue * static_cast<unsigned>(radix) + static_cast<unsigned>(d);
      ++pos_;
    }
    if (count == 0) Fail("Type mismatch");
  }

  // Leading "$", sign and "(" may come in any order, each at most once.
  void ScanDecimal(NumberText& number) {
    bool sign = false, paren = false, currency = false;
    for (bool more = true; more;) {
      more = false;
      if (!sign && (Peek() == L'+' || Peek() == L'-')) {
        number.negative = Peek() == L'-';
        sign = more = true;
        ++pos_;
      } else if (!paren && Accept(L'(')) {
        paren = more = true;
      } else if (!currency && Accept(L'$')) {
        currency = more = true;
      }
      if (more) SkipBlanks();
    }
    ScanMantissa(number);
    ScanExponent(number);
    SkipBlanks();
    if (!sign && (Peek() == L'+' || Peek() == L'-')) {
      number.negative = Peek() == L'-';
      ++pos_;
      SkipBlanks();
    }
    if (paren) {
      if (!Accept(L')')) Fail("Type mismatch");
      number.negative = !number.negative;
    }
  }

  void ScanMantissa(NumberText& number) {
    int digitCount = 0;
    bool point = false;
    for (;; ++pos_) {
      const wchar_t c = Peek();
      if (IsDigit(c)) {
        ++digitCount;
        if (!number.digits.empty() || c != L'0') number.digits.push_back(static_cast<char>(c));
        if (point) --number.exponent;  // zeros after the point shift even when not kept
      } else if (c == L',' && !point && digitCount > 0) {
        continue;  // thousands separator
      } else if (c == L'.' && !point) {
        point = true;
      } else {
        break;
      }
    }
    if (digitCount == 0) Fail("Type mismatch");
  }

  void ScanExponent(NumberText& number) {
    if (Peek() != L'e' && Peek() != L'E') return;
    ++pos_;
    bool negative = false;
    if (Peek() == L'+' || Peek() == L'-') negative = text_[pos_++] == L'-';
    if (!IsDigit(Peek())) Fail("Type mismatch");
    int value = 0;
    for (; IsDigit(Peek()); ++pos_) value = std::min(value * 10 + (Peek() - L'0'), 100000);
    number.exponent += negative ? -value : value;
  }

  std::wstring_view text_;
  std::size_t pos_ = 0;
};

// The decimal value rounded half to even; Overflow when it has more than 15 digits.
std::int64_t RoundedDecimal(const NumberText& number) {
  const auto& d = number.digits;
  const long long length = static_cast<long long>(d.size());
  const long long intLength = length + number.exponent;
  if (d.empty() || intLength < 0) return 0;
  if (intLength > 15) Fail("Overflow");
  std::int64_t whole = 0;
  for (long long i = 0; i < intLength; ++i) whole = whole * 10 + (i < length ? d[static_cast<std::size_t>(i)] - '0' : 0);
  if (intLength < length) {
    const int first = d[static_cast<std::size_t>(intLength)] - '0';
    bool restNonZero = false;
    for (auto i = static_cast<std::size_t>(intLength + 1); i < d.size(); ++i) restNonZero |= d[i] != '0';
    const bool up = first > 5 || (first == 5 && (restNonZero || whole % 2 == 1));
    if (up) ++whole;
  }
  return number.negative ? -whole : whole;
}

template <class T>
T FromNumberText(const NumberText& number) {
  using Unsigned = std::make_unsigned_t<T>;
  if (number.radixForm) {
    // A radix literal keeps its bit pattern when it fits the width.
    if (number.radixValue > std::numeric_limits<Unsigned>::max()) Fail("Overflow");
    return static_cast<T>(static_cast<Unsigned>(number.radixValue));
  }
  const std::int64_t value = RoundedDecimal(number);
  if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) Fail("Overflow");
  return static_cast<T>(value);
}

}  // namespace

bool IsValidDate(const CivilDate& date) {
  using namespace std::chrono;
  if (date.Year < 100 || date.Year > 9999 || date.Month < 1 || date.Day < 1) return false;
  const year_month_day ymd{year{date.Year}, month{static_cast<unsigned>(date.Month)}, day{static_cast<unsigned>(date.Day)}};
  return ymd.ok();
}

std::int64_t DayNumber(const CivilDate& date) {
  using namespace std::chrono;
  const year_month_day ymd{year{date.Year}, month{static_cast<unsigned>(date.Month)}, day{static_cast<unsigned>(date.Day)}};
  return sys_days(ymd).time_since_epoch().count();
}

std::int32_t ColourFromText(std::wstring_view text) {
  std::wstring literal = L"&H00";
  literal += text;
  return FromNumberText<std::int32_t>(NumberScanner(literal).Scan());
}

std::int16_t Int16FromText(std::wstring_view text) {
  return FromNumberText<std::int16_t>(NumberScanner(text).Scan());
}

std::int16_t TwipsFromPixelsText(std::wstring_view text) {
  constexpr int kTwipsPerPixel = 15;
  const int twips = Int16FromText(text) * kTwipsPerPixel;
  if (twips < std::numeric_limits<std::int16_t>::min() || twips > std::numeric_limits<std::int16_t>::max()) Fail("Overflow");
  return static_cast<std::int16_t>(twips);
}

bool FlagFromText(std::wstring_view text) { return EqualsNoCase(Trim(text), L"ON"); }

namespace {

double ValRadix(const std::wstring& s, std::size_t pos, int radix) {
  std::uint64_t value = 0;
  int count = 0;
  for (; pos < s.size() && DigitValue(s[pos], radix) >= 0 && count < 16; ++pos, ++count) {
    value = value * static_cast<unsigned>(radix) + static_cast<unsigned>(DigitValue(s[pos], radix));
  }
  // Like a literal: 16-bit and 32-bit patterns are signed.
  if (value <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
  if (value <= 0xFFFFFFFF) return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
  return static_cast<double>(value);
}

}  // namespace

double Val(std::wstring_view text) {
  std::wstring s;
  for (wchar_t c : text) {
    if (c != L' ' && c != L'\t' && c != L'\n') s.push_back(c);
  }
  if (s.size() >= 2 && s[0] == L'&') {
    const wchar_t kind = FoldCase(s[1]);
    if (kind == L'H') return ValRadix(s, 2, 16);
    if (kind == L'O') return ValRadix(s, 2, 8);
    return 0;
  }
  std::string ascii;
  std::size_t pos = 0;
  auto take = [&](auto accept) {
    std::size_t n = 0;
    for (; pos < s.size() && accept(s[pos]); ++pos, ++n) ascii.push_back(static_cast<char>(s[pos]));
    return n;
  };
  if (pos < s.size() && (s[pos] == L'+' || s[pos] == L'-')) ascii.push_back(static_cast<char>(s[pos++]));
  std::size_t digits = take(IsDigit);
  if (pos < s.size() && s[pos] == L'.') {
    ascii.push_back('.');
    ++pos;
    digits += take(IsDigit);
  }
  if (digits == 0) return 0;
  if (pos < s.size() && (FoldCase(s[pos]) == L'E' || FoldCase(s[pos]) == L'D')) {
    std::size_t look = pos + 1;
    if (look < s.size() && (s[look] == L'+' || s[look] == L'-')) ++look;
    if (look < s.size() && IsDigit(s[look])) {
      ascii.push_back('e');
      ++pos;
      if (s[pos] == L'+' || s[pos] == L'-') ascii.push_back(static_cast<char>(s[pos++]));
      take(IsDigit);
    }
  }
  return std::strtod(ascii.c_str(), nullptr);
}

bool IsExpired(std::wstring_view limit, const CivilDate& today, const DateParser& dates) {
  const double leading = Val(limit);
  const auto date = dates.Parse(limit);
  if (!date) Fail("Type mismatch");
  const std::int64_t days = DayNumber(today) - DayNumber(*date);
  return leading != 0 && days > 0;
}

}  // namespace notify
