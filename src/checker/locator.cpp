#include "checker/locator.h"

#include <algorithm>

#include "platform/xml/encoding.h"

namespace notify::checker {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameEnd(wchar_t c) { return IsSpace(c) || c == L'>' || c == L'/' || c == L'='; }

bool IsNameStart(wchar_t c) {
  return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || c == L':' ||
         static_cast<std::uint32_t>(c) >= 0xC0;
}

// Windows counts a character outside the Basic Multilingual Plane as two units; so do we.
std::size_t Utf16Units(std::wstring_view text) {
  std::size_t units = 0;
  for (const wchar_t c : text) units += (static_cast<std::uint32_t>(c) >> 16) != 0 ? 2 : 1;
  return units;
}

bool IsXmlChar(std::uint32_t c) {
  return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
         (c >= 0x10000 && c <= 0x10FFFF);
}

// Empty when the '&' at the start of text begins a reference XML knows, else why not.
std::wstring ReferenceFault(std::wstring_view text) {
  const auto semicolon = text.find(L';');
  const std::wstring_view body = text.substr(1, semicolon == std::wstring_view::npos ? 0 : semicolon - 1);
  if (semicolon == std::wstring_view::npos || semicolon > 40 || body.empty() ||
      std::any_of(body.begin(), body.end(), [](wchar_t c) { return IsSpace(c) || c == L'<' || c == L'&'; })) {
    return L"an '&' that starts no reference (an ampersand is written &amp;)";
  }
  if (body[0] == L'#') {
    const bool hex = body.size() > 1 && body[1] == L'x';
    const std::wstring_view digits = body.substr(hex ? 2 : 1);
    std::uint32_t value = 0;
    bool good = !digits.empty() && digits.size() <= 8;
    for (const wchar_t c : digits) {
      const int digit = c >= L'0' && c <= L'9' ? c - L'0'
                        : hex && c >= L'a' && c <= L'f' ? c - L'a' + 10
                        : hex && c >= L'A' && c <= L'F' ? c - L'A' + 10
                                                         : -1;
      good = good && digit >= 0;
      if (good) value = value * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
    }
    if (good && IsXmlChar(value)) return {};
    return L"the character reference &" + std::wstring(body) + L"; names no character XML allows";
  }
  for (const wchar_t* known : {L"amp", L"lt", L"gt", L"quot", L"apos"}) {
    if (body == known) return {};
  }
  return L"the entity &" + std::wstring(body) + L"; is not one of XML's five (&amp; &lt; &gt; &quot; &apos;)";
}

}  // namespace

std::optional<SourcePosition> FirstUndecodable(std::string_view bytes) {
  const std::wstring encoding = xml::DetectXmlEncoding(bytes);
  if (encoding.starts_with(L"UTF-16") || encoding.starts_with(L"UTF-32") || xml::DecodeXmlBytes(bytes)) {
    return std::nullopt;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  long line = 1;
  for (std::size_t start = 0; start < bytes.size();) {
    std::size_t end = bytes.find('\n', start);
    end = end == std::string_view::npos ? bytes.size() : end + 1;
    const std::string_view row = bytes.substr(start, end - start);
    if (!xml::DecodeBytes(row, encoding)) {
      // The longest start of the line that decodes ends where the bad bytes begin.
      for (std::size_t length = row.size(); length-- > 0;) {
        if (const auto good = xml::DecodeBytes(row.substr(0, length), encoding)) {
          return SourcePosition{line, static_cast<long>(Utf16Units(*good)) + 1};
        }
      }
      return SourcePosition{line, 1};
    }
    ++line;
    start = end;
  }
  return std::nullopt;
}

SourceLocator::SourceLocator(std::wstring_view text) : text_(text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool crAlone = text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n');
    if (text[i] == L'\n' || crAlone) lineStarts_.push_back(i + 1);
  }
  std::vector<std::size_t> open;
  std::size_t pos = 0;
  std::size_t textFrom = 0;  // where character data since the last markup starts
  auto skipPast = [&](std::wstring_view end, const wchar_t* what) {
    const auto at = text.find(end, pos);
    if (at == std::wstring_view::npos) Fault(pos, std::wstring(what) + L" is never closed");
    pos = at == std::wstring_view::npos ? text.size() : at + end.size();
  };
  while ((pos = text.find(L'<', pos)) != std::wstring_view::npos) {
    CheckText(textFrom, pos);
    const std::wstring_view rest = text.substr(pos);
    if (rest.starts_with(L"<!--")) {
      skipPast(L"-->", L"a comment");
    } else if (rest.starts_with(L"<![CDATA[")) {
      skipPast(L"]]>", L"a CDATA section");
    } else if (rest.starts_with(L"<?")) {
      skipPast(L"?>", L"a processing instruction");
    } else if (rest.starts_with(L"<!")) {
      skipPast(L">", L"a declaration");
    } else if (rest.starts_with(L"</")) {
      std::size_t end = pos + 2;
      while (end < text.size() && !IsNameEnd(text[end])) ++end;
      const std::wstring name(text.substr(pos + 2, end - pos - 2));
      if (open.empty()) {
        Fault(pos, L"the end tag </" + name + L"> closes no element");
      } else if (elements_[open.back()].name != name) {
        const Element& inner = elements_[open.back()];
        Fault(pos, L"the end tag </" + name + L"> does not close the open element <" + inner.name +
                       L"> (line " + std::to_wstring(PositionOf(inner.offset).line) + L")");
      }
      if (!open.empty()) open.pop_back();
      skipPast(L">", L"the end tag");
    } else {
      Element element{{}, pos, open.empty() ? kNone : open.back(), {}};
      std::size_t at = pos + 1;
      if (at >= text.size() || !IsNameStart(text[at])) Fault(pos, L"a '<' that starts no tag (it is written &lt;)");
      while (at < text.size() && !IsNameEnd(text[at])) element.name += text[at++];
      bool selfClosing = false;
      while (at < text.size() && text[at] != L'>') {
        if (text[at] == L'/') {
          selfClosing = true;
          ++at;
        } else if (IsSpace(text[at])) {
          ++at;
        } else {
          Attr attribute{{}, at};
          while (at < text.size() && !IsNameEnd(text[at])) attribute.name += text[at++];
          while (at < text.size() && IsSpace(text[at])) ++at;
          const bool equals = at < text.size() && text[at] == L'=';
          if (equals) ++at;
          while (at < text.size() && IsSpace(text[at])) ++at;
          if (at < text.size() && (text[at] == L'"' || text[at] == L'\'')) {
            const auto close = text.find(text[at], at + 1);
            if (close == std::wstring_view::npos) Fault(at, L"the value of " + attribute.name + L" is never closed");
            const std::size_t valueEnd = close == std::wstring_view::npos ? text.size() : close;
            if (const auto lt = text.substr(at, valueEnd - at).find(L'<'); lt != std::wstring_view::npos) {
              Fault(at + lt, L"a '<' in the value of " + attribute.name + L" (it is written &lt;)");
            }
            CheckText(at + 1, valueEnd);
            at = close == std::wstring_view::npos ? text.size() : close + 1;
          } else if (!attribute.name.empty()) {
            Fault(equals ? at : attribute.offset, equals ? L"the value of " + attribute.name + L" is not in quotes"
                                                         : L"the attribute " + attribute.name + L" has no value");
          }
          if (attribute.name.empty()) ++at;  // a stray character: step over it
          else element.attributes.push_back(std::move(attribute));
          selfClosing = false;
        }
      }
      if (at >= text.size()) Fault(pos, L"the tag <" + element.name + L" is never closed with '>'");
      pos = at;
      elements_.push_back(std::move(element));
      if (!selfClosing) open.push_back(elements_.size() - 1);
    }
    textFrom = pos;
  }
  CheckText(textFrom, text.size());
  if (!open.empty()) {
    const Element& outer = elements_[open.front()];
    Fault(outer.offset, L"the element <" + outer.name + L"> is never closed");
  }
}

void SourceLocator::Fault(std::size_t offset, std::wstring reason) {
  if (problem_.empty()) {
    problemOffset_ = offset;
    problem_ = std::move(reason);
  }
}

void SourceLocator::CheckText(std::size_t from, std::size_t to) {
  for (std::size_t at = text_.find(L'&', from); at < to; at = text_.find(L'&', at + 1)) {
    std::wstring why = ReferenceFault(std::wstring_view(text_).substr(at, to - at));
    if (!why.empty()) return Fault(at, std::move(why));
  }
}

SourceLocator::TagProblem SourceLocator::FirstTagProblem() const {
  return problem_.empty() ? TagProblem{} : TagProblem{PositionOf(problemOffset_), problem_};
}

SourcePosition SourceLocator::Find(std::wstring_view what) const {
  const auto at = text_.find(what);
  return at == std::wstring::npos ? SourcePosition{} : PositionOf(at);
}

std::size_t SourceLocator::Root() const {
  for (std::size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i].parent == kNone) return i;
  }
  return kNone;
}

std::size_t SourceLocator::Nth(std::wstring_view name, std::int32_t k) const {
  if (namedFor_ != name || namedIndex_.empty()) {
    namedFor_ = std::wstring(name);
    namedIndex_.clear();
    for (std::size_t i = 0; i < elements_.size(); ++i) {
      if (elements_[i].name == name) namedIndex_.push_back(i);
    }
  }
  return k >= 0 && static_cast<std::size_t>(k) < namedIndex_.size() ? namedIndex_[static_cast<std::size_t>(k)] : kNone;
}

std::size_t SourceLocator::Child(std::size_t element, std::wstring_view name) const {
  if (element == kNone) return kNone;
  for (std::size_t i = element + 1; i < elements_.size(); ++i) {
    if (elements_[i].parent == element && elements_[i].name == name) return i;
    // Elements are in document order: a later element outside this one ends the search.
    if (elements_[i].parent != kNone && elements_[i].parent < element) break;
  }
  return kNone;
}

SourcePosition SourceLocator::Attribute(std::size_t element, std::wstring_view name) const {
  if (element == kNone) return At(element);
  for (const auto& attribute : elements_[element].attributes) {
    if (attribute.name == name) return PositionOf(attribute.offset);
  }
  return At(element);
}

SourcePosition SourceLocator::At(std::size_t element) const {
  return element == kNone ? SourcePosition{} : PositionOf(elements_[element].offset);
}

SourcePosition SourceLocator::PositionOf(std::size_t offset) const {
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
  const auto line = static_cast<std::size_t>(next - lineStarts_.begin());
  const std::size_t start = lineStarts_[line - 1];
  const std::wstring_view before = std::wstring_view(text_).substr(start, offset - start);
  return {static_cast<long>(line), static_cast<long>(Utf16Units(before)) + 1};
}

}  // namespace notify::checker
