#include <array>
#include <vector>

#include "catalogue/conversions.h"
#include "platform/text.h"

namespace notify {

namespace {

struct Token {
  enum Kind { Number, Word, Punct } kind;
  std::wstring text;
  int value = 0;  // Number: its value (saturated); Word: month 1..12 or 0
};

constexpr std::array<const wchar_t*, 12> kMonths = {L"january", L"february", L"march",     L"april",
                                                    L"may",     L"june",     L"july",      L"august",
                                                    L"september", L"october", L"november", L"december"};
constexpr std::array<const wchar_t*, 7> kWeekdays = {L"sunday",   L"monday", L"tuesday", L"wednesday",
                                                     L"thursday", L"friday", L"saturday"};

bool IsLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsDigitChar(wchar_t c) { return c >= L'0' && c <= L'9'; }
wchar_t LowerLetter(wchar_t c) { return c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; }

// A word matches a name in full or as its first three letters or more ("Sept").
bool MatchesName(const std::wstring& word, const wchar_t* name) {
  const std::wstring_view full(name);
  return word.size() >= 3 && word.size() <= full.size() && full.substr(0, word.size()) == word;
}

int MonthOf(const std::wstring& word) {
  for (std::size_t i = 0; i < kMonths.size(); ++i) {
    if (MatchesName(word, kMonths[i])) return static_cast<int>(i) + 1;
  }
  return 0;
}

bool IsWeekday(const std::wstring& word) {
  for (const auto* name : kWeekdays) {
    if (MatchesName(word, name)) return true;
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
      for (; i < text.size() && IsLetter(text[i]); ++i) t.text.push_back(LowerLetter(text[i]));
      t.value = MonthOf(t.text);
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
    if (w != L"am" && w != L"pm" && w != L"a" && w != L"p") return false;
    hourLimit = 12;
    ++i;
  }
  if (i != tokens.size()) return false;
  if (parts[0] > hourLimit || parts[1] > 59 || (parts.size() == 3 && parts[2] > 59)) return false;
  tokens.erase(tokens.begin() + static_cast<std::ptrdiff_t>(start), tokens.end());
  return true;
}

int FullYear(const Token& t) {
  if (t.text.size() > 2) return t.value;
  return t.value < 30 ? 2000 + t.value : 1900 + t.value;
}

bool LooksLikeYear(const Token& t) { return t.text.size() > 2 || t.value > 31; }

std::optional<CivilDate> Checked(CivilDate date) {
  if (!IsValidDate(date)) return std::nullopt;
  return date;
}

std::optional<CivilDate> NumericDate(const std::vector<Token>& n, DateOrder order) {
  if (LooksLikeYear(n[0]) || order == DateOrder::YearMonthDay) {
    return Checked({FullYear(n[0]), n[1].value, n[2].value});
  }
  const int year = FullYear(n[2]);
  const bool monthFirst = order == DateOrder::MonthDayYear;
  const int a = n[0].value, b = n[1].value;
  if (auto date = Checked({year, monthFirst ? a : b, monthFirst ? b : a})) return date;
  return Checked({year, monthFirst ? b : a, monthFirst ? a : b});
}

std::optional<CivilDate> NamedMonthDate(const std::vector<Token>& n, int month) {
  if (n.size() == 1) {
    if (!LooksLikeYear(n[0])) return std::nullopt;  // a day without a year
    return Checked({FullYear(n[0]), month, 1});
  }
  if (LooksLikeYear(n[0]) && !LooksLikeYear(n[1])) return Checked({FullYear(n[0]), month, n[1].value});
  return Checked({FullYear(n[1]), month, n[0].value});
}

}  // namespace

std::optional<CivilDate> PortableDateParser::Parse(std::wstring_view text) const {
  auto tokens = Tokenize(text);
  if (!tokens || tokens->empty()) return std::nullopt;
  if ((*tokens)[0].kind == Token::Word && (*tokens)[0].value == 0 && IsWeekday((*tokens)[0].text)) {
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
  if (month != 0 && (numbers.size() == 1 || numbers.size() == 2)) return NamedMonthDate(numbers, month);
  if (month == 0 && numbers.size() == 3) return NumericDate(numbers, order_);
  return std::nullopt;
}

}  // namespace notify
