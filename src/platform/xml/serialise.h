#pragma once
// Our own serialiser and tree walks. They iterate (no recursion), so a tree of any depth
// can be saved or read without exhausting the stack.
#include <cstddef>
#include <memory>
#include <string>

#include "platform/xml/dom_backend.h"

namespace notify::xml {

// Visits every descendant of `start` in document order: enter(node, hasChildren) on the
// way down, leave(node, hasChildren) on the way back up.
template <class Enter, class Leave>
void WalkDescendants(const std::shared_ptr<NodeImpl>& start, Enter enter, Leave leave) {
  // Counting levels instead of comparing nodes: a COM component need not hand out the
  // same object twice for one node.
  std::size_t depth = 1;
  auto at = start->FirstChild();
  while (at) {
    auto child = at->FirstChild();
    enter(*at, child != nullptr);
    if (child) {
      at = std::move(child);
      ++depth;
      continue;
    }
    bool hadChildren = false;
    while (at) {
      leave(*at, hadChildren);
      hadChildren = true;
      if (auto next = at->NextSibling()) {
        at = std::move(next);
        break;
      }
      at = --depth == 0 ? nullptr : at->Parent();
    }
  }
}

// The text and CDATA content of every descendant, in document order. Unless white space
// is preserved, XML white space (space, tab, CR, LF) at either end is dropped, but never
// from inside a CDATA section: the element text the system component gives.
std::wstring ConcatenatedText(const std::shared_ptr<NodeImpl>& start, bool preserveWhitespace);

// The data of the document's "xml" declaration PI; empty when it has none.
std::wstring DeclarationData(const std::shared_ptr<NodeImpl>& document);

// The whole document as text: declaration, elements, attributes, text, CDATA, comments
// and PIs, escaped; one CR LF after each top-level node.
std::wstring SerialiseDocument(const std::shared_ptr<NodeImpl>& document);

}  // namespace notify::xml
