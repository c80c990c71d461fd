#pragma once
// Places in an XML file's decoded text, found by a light scan of its tags, so that both
// DOM backends report the same line:column (the system component gives none for nodes).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace notify::checker {

struct SourcePosition {
  long line = 1;    // 1-based
  long column = 1;  // 1-based, in UTF-16 code units on every build
};

// Where a file's bytes first fail to decode in its encoding (BOM, then declaration, then
// UTF-8), counted in the text decoded before it; nothing when they all decode, or when the
// encoding is not one whose line ends are single bytes.
std::optional<SourcePosition> FirstUndecodable(std::string_view bytes);

class SourceLocator {
 public:
  SourceLocator() = default;
  explicit SourceLocator(std::wstring_view text);

  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  std::size_t Root() const;
  // The k-th element (0-based, document order) with this qualified name, anywhere.
  std::size_t Nth(std::wstring_view name, std::int32_t k) const;
  // The first child element of that name.
  std::size_t Child(std::size_t element, std::wstring_view name) const;
  // The attribute's name, or the element's start when it has no such attribute.
  SourcePosition Attribute(std::size_t element, std::wstring_view name) const;
  // The element's "<"; the start of the file when element is kNone.
  SourcePosition At(std::size_t element) const;

  // The first fault in the text that makes it not well formed, found by this scan alone, so
  // that every reader's failure is told with the same place and words: an '&' that starts
  // no reference, a '<' in a value, an unquoted value, an end tag that does not close the
  // open element, an element left open. Empty reason when the scan sees none.
  struct TagProblem {
    SourcePosition at;
    std::wstring reason;
  };
  TagProblem FirstTagProblem() const;
  // The first occurrence of the text (such as "<!DOCTYPE"); the start of the file if none.
  SourcePosition Find(std::wstring_view what) const;

 private:
  struct Attr {
    std::wstring name;
    std::size_t offset;
  };
  struct Element {
    std::wstring name;
    std::size_t offset;
    std::size_t parent;
    std::vector<Attr> attributes;
  };
  SourcePosition PositionOf(std::size_t offset) const;

  std::vector<Element> elements_;
  std::size_t problemOffset_ = 0;
  std::wstring problem_;
  void Fault(std::size_t offset, std::wstring reason);
  void CheckText(std::size_t from, std::size_t to);

  std::wstring text_;
  std::vector<std::size_t> lineStarts_{0};
  mutable std::wstring namedFor_;
  mutable std::vector<std::size_t> namedIndex_;
};

}  // namespace notify::checker
