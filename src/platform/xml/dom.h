#pragma once
// The shared XML document object: a small DOM whose members carry the names the rest of
// the module uses. Two backends implement it (MSXML through COM on Windows, libxml2 in
// the native build); file bytes, encodings and atomic saves are done here, not by them.
//
// A DomNode may be "Nothing" (default-constructed, or a lookup that found nothing). Every
// member of a Nothing node throws RuntimeError, the way a call on Nothing fails in a
// trapped procedure.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace notify::xml {

enum class NodeKind { Element, Attribute, Text, CData, Comment, ProcessingInstruction, Document, Other };

class NodeImpl;
class NodeListImpl;
class DocumentImpl;
class DomNodeList;

class DomAttributes;

class DomNode {
 public:
  DomNode() = default;
  explicit DomNode(std::shared_ptr<NodeImpl> impl) : impl_(std::move(impl)) {}

  bool IsNothing() const { return impl_ == nullptr; }
  explicit operator bool() const { return impl_ != nullptr; }

  NodeKind kind() const;
  std::wstring nodeName() const;  // qualified name ("p:Root"), "#text", PI target...
  std::wstring baseName() const;  // local name without prefix
  // The text of the node and all its descendants, concatenated; white space at the ends
  // is dropped (never inside CDATA) unless the document preserves white space.
  std::wstring Text() const;
  // Replaces the node's children with one text node (attributes: the value).
  void Text(const std::wstring& value);

  DomAttributes Attributes() const;
  DomNodeList childNodes() const;
  DomNodeList selectNodes(const std::wstring& xpath) const;
  DomNode SelectSingleNode(const std::wstring& xpath) const;  // Nothing when none matches
  DomNode appendChild(const DomNode& child);
  DomNode insertBefore(const DomNode& child, const DomNode& before);

  const std::shared_ptr<NodeImpl>& impl() const { return impl_; }

 private:
  NodeImpl& Require() const;
  std::shared_ptr<NodeImpl> impl_;
};

class DomNodeList {
 public:
  DomNodeList() = default;
  explicit DomNodeList(std::shared_ptr<NodeListImpl> impl) : impl_(std::move(impl)) {}
  bool IsNothing() const { return impl_ == nullptr; }
  std::int32_t Length() const;
  DomNode Item(std::int32_t index) const;  // Nothing outside 0..Length-1

 private:
  std::shared_ptr<NodeListImpl> impl_;
};

class DomAttributes {
 public:
  explicit DomAttributes(DomNode owner) : owner_(std::move(owner)) {}
  DomNode getNamedItem(const std::wstring& name) const;  // Nothing when absent

 private:
  DomNode owner_;
};

// Why the last Load or loadXML returned false. Positions are 1-based in the decoded file
// text; line 0 when no place is known.
enum class LoadProblem { None, File, Encoding, Declaration, Doctype, Syntax };
struct LoadFailure {
  LoadProblem problem = LoadProblem::None;
  long line = 0;
  long column = 0;
  std::wstring reason;
};

class DomDocument {
 public:
  explicit DomDocument(std::unique_ptr<DocumentImpl> impl);
  ~DomDocument();
  DomDocument(const DomDocument&) = delete;
  DomDocument& operator=(const DomDocument&) = delete;

  // Reads the file, decodes it by BOM or declaration and parses it. False on any failure;
  // the previous content is then gone (as with the system component).
  bool Load(const std::wstring& path);
  // The same over a file's bytes already in memory.
  bool LoadBytes(std::string_view bytes);
  bool loadXML(const std::wstring& text);
  const LoadFailure& LastLoadFailure() const { return loadFailure_; }
  // Serialises, encodes as the declaration names (UTF-8 without one) and replaces the
  // file atomically. Throws RuntimeError on failure; the old file then stays intact.
  void Save(const std::wstring& path);

  void PreserveWhitespace(bool value);
  bool PreserveWhitespace() const;

  DomNode documentElement() const;  // Nothing when the document is empty
  DomNodeList childNodes() const;
  DomNodeList selectNodes(const std::wstring& xpath) const;
  DomNode SelectSingleNode(const std::wstring& xpath) const;
  DomNode createElement(const std::wstring& name);
  DomNode createProcessingInstruction(const std::wstring& target, const std::wstring& data);
  DomNode appendChild(const DomNode& child);
  DomNode insertBefore(const DomNode& child, const DomNode& before);

  // The document as a node (for code that treats it like any other node).
  DomNode AsNode() const;
  DocumentImpl& impl() { return *impl_; }

 private:
  std::unique_ptr<DocumentImpl> impl_;
  bool preserveWhitespace_ = false;
  LoadFailure loadFailure_;
};

// Sets a document's PreserveWhitespace for one save and puts the old value back, so the
// shared document does not read the next catalogue or skin by the save's flag.
class PreserveWhitespaceScope {
 public:
  explicit PreserveWhitespaceScope(DomDocument& document)
      : document_(document), previous_(document.PreserveWhitespace()) {
    document_.PreserveWhitespace(true);
  }
  ~PreserveWhitespaceScope() { document_.PreserveWhitespace(previous_); }
  PreserveWhitespaceScope(const PreserveWhitespaceScope&) = delete;
  PreserveWhitespaceScope& operator=(const PreserveWhitespaceScope&) = delete;

 private:
  DomDocument& document_;
  bool previous_;
};

}  // namespace notify::xml
