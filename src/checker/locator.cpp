#include "checker/locator.h"

#include <algorithm>

namespace notify::checker {

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameEnd(wchar_t c) { return IsSpace(c) || c == L'>' || c == L'/' || c == L'='; }

}  // namespace

SourceLocator::SourceLocator(std::wstring_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const bool crAlone = text[i] == L'\r' && (i + 1 == text.size() || text[i + 1] != L'\n');
    if (text[i] == L'\n' || crAlone) lineStarts_.push_back(i + 1);
  }
  std::vector<std::size_t> open;
  std::size_t pos = 0;
  auto skipPast = [&](std::wstring_view end) {
    const auto at = text.find(end, pos);
    pos = at == std::wstring_view::npos ? text.size() : at + end.size();
  };
  while ((pos = text.find(L'<', pos)) != std::wstring_view::npos) {
    const std::wstring_view rest = text.substr(pos);
    if (rest.starts_with(L"<!--")) {
      skipPast(L"-->");
    } else if (rest.starts_with(L"<![CDATA[")) {
      skipPast(L"]]>");
    } else if (rest.starts_with(L"<?")) {
      skipPast(L"?>");
    } else if (rest.starts_with(L"<!")) {
      skipPast(L">");
    } else if (rest.starts_with(L"</")) {
      std::size_t end = pos + 2;
      while (end < text.size() && !IsNameEnd(text[end])) ++end;
      const std::wstring name(text.substr(pos + 2, end - pos - 2));
      if (problem_.empty() && (open.empty() || elements_[open.back()].name != name)) {
        problemOffset_ = pos;
        problem_ = open.empty() ? L"the end tag </" + name + L"> closes no element"
                                : L"the end tag </" + name + L"> does not close the open element <" +
                                      elements_[open.back()].name + L">";
      }
      if (!open.empty()) open.pop_back();
      skipPast(L">");
    } else {
      Element element{{}, pos, open.empty() ? kNone : open.back(), {}};
      std::size_t at = pos + 1;
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
          while (at < text.size() && (IsSpace(text[at]) || text[at] == L'=')) ++at;
          if (at < text.size() && (text[at] == L'"' || text[at] == L'\'')) {
            const auto close = text.find(text[at], at + 1);
            at = close == std::wstring_view::npos ? text.size() : close + 1;
          }
          if (attribute.name.empty()) ++at;  // a stray character: step over it
          else element.attributes.push_back(std::move(attribute));
          selfClosing = false;
        }
      }
      pos = at;
      elements_.push_back(std::move(element));
      if (!selfClosing) open.push_back(elements_.size() - 1);
    }
  }
  if (problem_.empty() && !open.empty()) {
    problemOffset_ = elements_[open.front()].offset;
    problem_ = L"the element <" + elements_[open.front()].name + L"> is never closed";
  }
}

SourceLocator::TagProblem SourceLocator::FirstTagProblem() const {
  return problem_.empty() ? TagProblem{} : TagProblem{PositionOf(problemOffset_), problem_};
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

std::vector<std::wstring> SourceLocator::AttributeNames(std::size_t element) const {
  std::vector<std::wstring> names;
  if (element == kNone) return names;
  for (const auto& attribute : elements_[element].attributes) names.push_back(attribute.name);
  return names;
}

std::vector<std::wstring> SourceLocator::ChildNames(std::size_t element) const {
  std::vector<std::wstring> names;
  if (element == kNone) return names;
  for (std::size_t i = element + 1; i < elements_.size(); ++i) {
    if (elements_[i].parent == element) names.push_back(elements_[i].name);
    if (elements_[i].parent != kNone && elements_[i].parent < element) break;
  }
  return names;
}

SourcePosition SourceLocator::At(std::size_t element) const {
  return element == kNone ? SourcePosition{} : PositionOf(elements_[element].offset);
}

SourcePosition SourceLocator::PositionOf(std::size_t offset) const {
  const auto next = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), offset);
  const auto line = static_cast<std::size_t>(next - lineStarts_.begin());
  return {static_cast<long>(line), static_cast<long>(offset - lineStarts_[line - 1] + 1)};
}

}  // namespace notify::checker
