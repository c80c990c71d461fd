#include <array>
#include <vector>

#include "catalogue/conversions.h"
#include "platform/text.h"

namespace notify {

namespace {

struct Token {
  enum Kind { Number, Word, Punct } kind;
  std::wstring text;  // a Word folded to upper case
  int value = 0;      // Number: its value (saturated); Word: month 1..12 or 0
};

constexpr std::array<std::wstring_view, 12> kMonths = {L"january", L"february", L"march",     L"april",
                                                    L"may",     L"june",     L"july",      L"august",
                                                    L"september", L"october", L"november", L"december"};
constexpr std::array<std::wstring_view, 7> kWeekdays = {L"sunday",   L"monday", L"tuesday", L"wednesday",
                                                     L"thursday", L"friday", L"saturday"};

// Latin letters with their accents and Cyrillic: the month names of the locales modelled.
bool IsLetter(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= 0xC0 && c <= 0x24F && c != 0xD7 && c != 0xF7) ||
         (c >= 0x400 && c <= 0x4FF);
}
bool IsDigitChar(wchar_t c) { return c >= L'0' && c <= L'9'; }

// A word matches an English name in full or as its first three letters or more ("Sept").
bool MatchesPrefix(const std::wstring& word, std::wstring_view name) {
  const std::wstring full = FoldCase(name);
  return word.size() >= 3 && word.size() <= full.size() && std::wstring_view(full).substr(0, word.size()) == word;
}

bool IsName(const std::wstring& word, std::wstring_view name) { return !name.empty() && word == FoldCase(name); }

int MonthOf(const std::wstring& word, const DateLocale& locale) {
  for (std::size_t i = 0; i < 12; ++i) {
    if ((locale.englishPrefixes && MatchesPrefix(word, kMonths[i])) || IsName(word, locale.months[i]) ||
        IsName(word, locale.shortMonths[i])) {
      return static_cast<int>(i) + 1;
    }
  }
  return 0;
}

bool IsWeekday(const std::wstring& word, const DateLocale& locale) {
  for (std::size_t i = 0; i < 7; ++i) {
    if ((locale.englishPrefixes && MatchesPrefix(word, kWeekdays[i])) || IsName(word, locale.weekdays[i]) ||
        IsName(word, locale.shortWeekdays[i])) {
      return true;
    }
  }
  return false;
}

// Nothing when the text holds a character that no date uses.
std::optional<std::vector<Token>> Tokenize(std::wstring_view text) {
  std::vector<Token> tokens;
  for (std::size_t i = 0; i < text.size();) {
    const wchar_t c = text[i];
    if (c == L' ' || c == L'\t') {
      ++i;
    } else if (IsDigitChar(c)) {
      Token t{Token::Number, {}, 0};
      for (; i < text.size() && IsDigitChar(text[i]); ++i) {
        t.text.push_back(text[i]);
        t.value = std::min(t.value * 10 + (text[i] - L'0'), 100000);
      }
      tokens.push_back(t);
    } else if (IsLetter(c)) {
      Token t{Token::Word, {}, 0};
      for (; i < text.size() && IsLetter(text[i]); ++i) t.text.push_back(FoldCase(text[i]));
      tokens.push_back(t);
    } else if (c == L'/' || c == L'-' || c == L'.' || c == L',' || c == L':') {
      tokens.push_back(Token{Token::Punct, std::wstring(1, c), 0});
      ++i;
    } else {
      return std::nullopt;
    }
  }
  return tokens;
}

bool IsPunct(const Token& t, wchar_t c) { return t.kind == Token::Punct && t.text[0] == c; }

// Removes a trailing time "h:mm[:ss] [AM|PM]"; false when a ':' appears in another shape.
bool StripTime(std::vector<Token>& tokens) {
  std::size_t colon = 0;
  while (colon < tokens.size() && !IsPunct(tokens[colon], L':')) ++colon;
  if (colon == tokens.size()) return true;
  if (colon == 0 || tokens[colon - 1].kind != Token::Number) return false;
  const std::size_t start = colon - 1;
  std::vector<int> parts;
  std::size_t i = start;
  for (;;) {
    if (i >= tokens.size() || tokens[i].kind != Token::Number || tokens[i].text.size() > 2) return false;
    parts.push_back(tokens[i].value);
    ++i;
    if (i < tokens.size() && IsPunct(tokens[i], L':') && parts.size() < 3) {
      ++i;
      continue;
    }
    break;
  }
  if (parts.size() < 2) return false;
  int hourLimit = 23;
  if (i < tokens.size() && tokens[i].kind == Token::Word) {
    const auto& w = tokens[i].text;
    if (w != L"AM" && w != L"PM" && w != L"A" && w != L"P") return false;
    hourLimit = 12;
    ++i;
  }
  if (i != tokens.size()) return false;
  if (parts[0] > hourLimit || parts[1] > 59 || (parts.size() == 3 && parts[2] > 59)) return false;
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(start), tokens.end());
  return true;
}

int FullYear(const Token& t, int from) {
  if (t.text.size() > 2) return t.value;
  const int century = from - from % 100;
  return t.value < from % 100 ? century + 100 + t.value : century + t.value;
}

bool LooksLikeYear(const Token& t) { return t.text.size() > 2 || t.value > 31; }

std::optional<CivilDate> Checked(CivilDate date) {
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::optional<CivilDate> NumericDate(const std::vector<Token>& n, const DateLocale& locale) {
  const int from = locale.twoDigitYearsFrom;
  const CivilDate ymd{FullYear(n[0], from), n[1].value, n[2].value};
  const CivilDate ydm{FullYear(n[0], from), n[2].value, n[1].value};
  const CivilDate mdy{FullYear(n[2], from), n[0].value, n[1].value};
  const CivilDate dmy{FullYear(n[2], from), n[1].value, n[0].value};
  std::array<CivilDate, 3> tried{ymd, ydm, ydm};
  if (!LooksLikeYear(n[0])) {
    switch (locale.order) {
      case DateOrder::MonthDayYear: tried = {mdy, ymd, dmy}; break;
      case DateOrder::DayMonthYear: tried = {dmy, mdy, ymd}; break;
      // A year-first locale reads a year it sees last month-first ("02/01/2027").
      case DateOrder::YearMonthDay: tried = LooksLikeYear(n[2]) ? std::array{mdy, dmy, dmy} : std::array{ymd, mdy, dmy}; break;
    }
  }
  for (const CivilDate& date : tried) {
    if (IsValidDate(date)) return date;
  }
  return std::nullopt;
}

// Where '.' separates no date, three small numbers joined by dots are a time of day.
std::optional<CivilDate> DottedTime(const std::vector<Token>& n) {
  for (const Token& t : n) {
    if (t.text.size() > 2) return std::nullopt;
  }
  if (n[0].value > 23 || n[1].value > 59 || n[2].value > 59) return std::nullopt;
  return CivilDate{1899, 12, 30};
}

bool DotBetweenNumbers(const std::vector<Token>& tokens) {
  for (std::size_t i = 1; i + 1 < tokens.size(); ++i) {
    if (IsPunct(tokens[i], L'.') && tokens[i - 1].kind == Token::Number && tokens[i + 1].kind == Token::Number) {
      return true;
    }
  }
  return false;
}

std::optional<CivilDate> NamedMonthDate(const std::vector<Token>& n, int month, int from) {
  if (n.size() == 1) {
    if (!LooksLikeYear(n[0])) return std::nullopt;  // a day without a year
    return Checked({FullYear(n[0], from), month, 1});
  }
  if (LooksLikeYear(n[0]) && !LooksLikeYear(n[1])) return Checked({FullYear(n[0], from), month, n[1].value});
  return Checked({FullYear(n[1], from), month, n[0].value});
}

}  // namespace

std::optional<CivilDate> PortableDateParser::Parse(std::wstring_view text) const {
  auto tokens = Tokenize(text);
  if (!tokens || tokens->empty()) return std::nullopt;
  for (auto& t : *tokens) {
    if (t.kind == Token::Word) t.value = MonthOf(t.text, locale_);
  }
  if ((*tokens)[0].kind == Token::Word && (*tokens)[0].value == 0 && IsWeekday((*tokens)[0].text, locale_)) {
    tokens->erase(tokens->begin());
  }
  const bool hadTokens = !tokens->empty();
  if (!StripTime(*tokens)) return std::nullopt;
  // A time alone stands for day zero of the system's date scale.
  if (hadTokens && tokens->empty()) return CivilDate{1899, 12, 30};

  std::vector<Token> numbers;
  int month = 0;
  for (const auto& t : *tokens) {
    if (t.kind == Token::Number) {
      numbers.push_back(t);
    } else if (t.kind == Token::Word) {
      if (t.value == 0 || month != 0) return std::nullopt;
      month = t.value;
    }
  }
  if (month != 0 && (numbers.size() == 1 || numbers.size() == 2)) return NamedMonthDate(numbers, month, locale_.twoDigitYearsFrom);
  if (month == 0 && numbers.size() == 3) {
    if (!locale_.dotSeparatesDates && DotBetweenNumbers(*tokens)) return DottedTime(numbers);
    return NumericDate(numbers, locale_);
  }
  return std::nullopt;
}

bool IsPlainDateForm(std::wstring_view text) {
  if (text.size() != 10 || (text[4] != L'-' && text[4] != L'/') || text[7] != text[4]) return false;
  int value[3] = {0, 0, 0};
  for (std::size_t i = 0, part = 0; i < text.size(); ++i) {
    if (i == 4 || i == 7) {
      ++part;
    } else if (!IsDigitChar(text[i])) {
      return false;
    } else {
      value[part] = value[part] * 10 + (text[i] - L'0');
    }
  }
  return IsValidDate({value[0], value[1], value[2]});
}

}  // namespace notify
