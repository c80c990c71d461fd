#pragma once
// What a parser backend provides to the DOM front. The front owns bytes, the XML
// declaration, serialisation and the checks shared by both backends; a backend owns the
// tree, XPath and node identity.
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/xml/dom.h"

namespace notify::xml {

class NodeImpl {
 public:
  virtual ~NodeImpl() = default;
  virtual NodeKind kind() const = 0;
  virtual std::wstring nodeName() const = 0;
  virtual std::wstring baseName() const = 0;
  // Text, CDATA, comment and attribute: the content; a PI: its data; others: empty.
  virtual std::wstring nodeValue() const = 0;
  virtual void SetText(const std::wstring& value) = 0;
  // The owning document's PreserveWhitespace as it is now (text is read by that rule).
  virtual bool PreservesWhitespace() const = 0;

  virtual std::shared_ptr<NodeImpl> Attribute(const std::wstring& name) const = 0;  // nullptr when absent
  // Qualified name and value of each attribute, namespace declarations included.
  virtual std::vector<std::pair<std::wstring, std::wstring>> AttributePairs() const = 0;

  virtual std::shared_ptr<NodeListImpl> ChildNodes() const = 0;
  virtual std::shared_ptr<NodeImpl> FirstChild() const = 0;
  virtual std::shared_ptr<NodeImpl> NextSibling() const = 0;
  virtual std::shared_ptr<NodeImpl> Parent() const = 0;
  // Same underlying node (two wrappers may exist for one node).
  virtual bool IsSame(const NodeImpl& other) const = 0;

  // Throws RuntimeError for an invalid expression.
  virtual std::shared_ptr<NodeListImpl> SelectNodes(const std::wstring& xpath) const = 0;
  virtual std::shared_ptr<NodeImpl> SelectSingleNode(const std::wstring& xpath) const = 0;

  // Moves `child` (of the same document) under this node, before `before` (nullptr: last).
  // Throws RuntimeError when the move is not allowed.
  virtual std::shared_ptr<NodeImpl> InsertBefore(NodeImpl& child, NodeImpl* before) = 0;
};

class NodeListImpl {
 public:
  virtual ~NodeListImpl() = default;
  virtual std::int32_t Length() const = 0;
  virtual std::shared_ptr<NodeImpl> Item(std::int32_t index) const = 0;  // nullptr outside the list
};

// Where and why the last Parse failed, as the parser tells it; line 0 when it gave no place.
struct ParseFailure {
  long line = 0;
  long column = 0;
  std::wstring reason;
};

class DocumentImpl {
 public:
  virtual ~DocumentImpl() = default;
  virtual ParseFailure LastParseFailure() const { return {}; }
  // Replaces the content with the parsed text (which carries no XML declaration: the
  // front takes it off and keeps it as a PI). False on a parse error; the document is
  // then empty. Whitespace-only text nodes are dropped unless preserveWhitespace.
  virtual bool Parse(const std::wstring& text, bool preserveWhitespace) = 0;
  // Changes how text is read from now on; the parsed tree stays as it is.
  virtual void PreserveWhitespace(bool value) = 0;
  virtual std::shared_ptr<NodeImpl> DocumentNode() const = 0;
  virtual std::shared_ptr<NodeImpl> CreateElement(const std::wstring& name) = 0;
  virtual std::shared_ptr<NodeImpl> CreateProcessingInstruction(const std::wstring& target,
                                                                const std::wstring& data) = 0;
};

// nullptr when the class behind the ProgID cannot be created. The native build answers
// both DOM ProgIDs with libxml2.
std::unique_ptr<DocumentImpl> CreateDomBackend(const std::wstring& progId);

}  // namespace notify::xml
