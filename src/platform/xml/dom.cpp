#include "platform/xml/dom.h"

#include <algorithm>

#include "platform/error.h"
#include "platform/text.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"
#include "platform/xml/file_io.h"
#include "platform/xml/serialise.h"

namespace notify::xml {

namespace {

bool IsXmlSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool StartsWithAt(std::wstring_view text, std::size_t at, std::wstring_view prefix) {
  return text.substr(at, prefix.size()) == prefix;
}

struct SplitText {
  std::wstring declaration;  // the data of "<?xml ...?>", empty when there is none
  std::wstring_view body;
};

// The declaration becomes a PI node of its own; the parser never sees it, because the
// text is already decoded and its encoding label would only mislead the parser.
std::optional<SplitText> SplitDeclaration(std::wstring_view text) {
  if (!text.empty() && text.front() == L'\xFEFF') text.remove_prefix(1);
  if (!StartsWithAt(text, 0, L"<?xml") || text.size() < 6 || !IsXmlSpace(text[5])) return SplitText{{}, text};
  const auto end = text.find(L"?>");
  if (end == std::wstring_view::npos) return std::nullopt;
  auto data = text.substr(6, end - 6);
  while (!data.empty() && IsXmlSpace(data.front())) data.remove_prefix(1);
  while (!data.empty() && IsXmlSpace(data.back())) data.remove_suffix(1);
  if (data.find(L"version") != 0) return std::nullopt;
  return SplitText{std::wstring(data), text.substr(end + 2)};
}

// The end of a bare "<!DOCTYPE Name>" at `at` (no external id, no internal subset), which
// defines nothing; npos for any other declaration.
std::size_t BareDoctypeEnd(std::wstring_view body, std::size_t at) {
  std::size_t pos = at + 9;
  const std::size_t nameStart = pos;
  while (pos < body.size() && IsXmlSpace(body[pos])) ++pos;
  if (pos == nameStart) return std::wstring_view::npos;
  const std::size_t nameFrom = pos;
  while (pos < body.size() && !IsXmlSpace(body[pos]) && body[pos] != L'>' && body[pos] != L'[') ++pos;
  if (pos == nameFrom) return std::wstring_view::npos;
  while (pos < body.size() && IsXmlSpace(body[pos])) ++pos;
  return pos < body.size() && body[pos] == L'>' ? pos + 1 : std::wstring_view::npos;
}

// DTDs are never handed to a parser: no entity expansion, no external fetches, one
// behaviour for both backends. A bare declaration is blanked out (line breaks kept, so
// positions stay); any other refuses the document. A DOCTYPE can only stand in the
// prolog, so the prolog is all we scan.
bool BlankBareDoctype(std::wstring& body) {
  std::size_t pos = 0;
  while (pos < body.size()) {
    if (IsXmlSpace(body[pos])) {
      ++pos;
    } else if (StartsWithAt(body, pos, L"<!--")) {
      const auto end = body.find(L"-->", pos + 4);
      if (end == std::wstring_view::npos) return true;
      pos = end + 3;
    } else if (StartsWithAt(body, pos, L"<?")) {
      const auto end = body.find(L"?>", pos + 2);
      if (end == std::wstring_view::npos) return true;
      pos = end + 2;
    } else if (StartsWithAt(body, pos, L"<!DOCTYPE")) {
      const auto end = BareDoctypeEnd(body, pos);
      if (end == std::wstring_view::npos) return false;
      for (; pos < end; ++pos) {
        if (!IsXmlSpace(body[pos])) body[pos] = L' ';
      }
    } else {
      return true;
    }
  }
  return true;
}

bool IsPlausibleName(std::wstring_view name) {
  if (name.empty()) return false;
  const wchar_t first = name.front();
  if ((first >= L'0' && first <= L'9') || first == L'-' || first == L'.') return false;
  for (wchar_t c : name) {
    if (IsXmlSpace(c) || std::wstring_view(L"<>&\"'/=?!;,()[]{}").find(c) != std::wstring_view::npos) return false;
  }
  return true;
}

std::shared_ptr<NodeImpl> RequireImpl(const DomNode& node) {
  if (node.IsNothing()) Fail("object variable not set");
  return node.impl();
}

// Child must not become its own ancestor. A childless node can only be the parent itself,
// which keeps building a deep tree linear.
void RequireNotAncestor(const NodeImpl& child, const std::shared_ptr<NodeImpl>& parent) {
  if (!child.FirstChild()) {
    if (parent->IsSame(child)) Fail("a node cannot be inserted under itself");
    return;
  }
  for (auto at = parent; at; at = at->Parent()) {
    if (at->IsSame(child)) Fail("a node cannot be inserted under itself");
  }
}

DomNode Insert(const std::shared_ptr<NodeImpl>& parent, const DomNode& child, const DomNode& before) {
  auto childImpl = RequireImpl(child);
  RequireNotAncestor(*childImpl, parent);
  return DomNode(parent->InsertBefore(*childImpl, before.impl().get()));
}

// Only text and attribute values can carry a character reference. A character of a name,
// CDATA section, comment or PI that the encoding lacks would be saved as the literal
// "&#N;" and read back as something else (a name as a file no reader accepts).
void RequireEncodableMarkup(const std::shared_ptr<NodeImpl>& document, std::wstring_view encoding) {
  // All markup in one piece, so that a save costs one conversion, not one per node.
  std::wstring markup;
  WalkDescendants(
      document,
      [&markup](const NodeImpl& node, bool) {
        switch (node.kind()) {
          case NodeKind::Element:
            markup += node.nodeName();
            for (const auto& attribute : node.AttributePairs()) markup += attribute.first;
            break;
          case NodeKind::CData:
          case NodeKind::Comment:
          case NodeKind::ProcessingInstruction:
            markup += node.nodeName();
            markup += node.nodeValue();
            break;
          default:
            break;
        }
      },
      [](const NodeImpl&, bool) {});
  if (!EncodesExactly(markup, encoding)) Fail("markup cannot be written in " + ToUtf8(encoding));
}

DomNodeList WrapList(std::shared_ptr<NodeListImpl> list) {
  if (!list) Fail("no node list");
  return DomNodeList(std::move(list));
}

}  // namespace

// ---- DomNode

NodeImpl& DomNode::Require() const { return *RequireImpl(*this); }

NodeKind DomNode::kind() const { return Require().kind(); }
std::wstring DomNode::nodeName() const { return Require().nodeName(); }
std::wstring DomNode::baseName() const { return Require().baseName(); }

std::wstring DomNode::Text() const {
  NodeImpl& self = Require();
  switch (self.kind()) {
    case NodeKind::Element:
    case NodeKind::Document:
      return ConcatenatedText(impl_, self.PreservesWhitespace());
    case NodeKind::Text: {
      auto text = self.nodeValue();
      if (self.PreservesWhitespace()) return text;
      const auto first = text.find_first_not_of(L" \t\r\n");
      if (first == std::wstring::npos) return {};
      return text.substr(first, text.find_last_not_of(L" \t\r\n") - first + 1);
    }
    default:
      return self.nodeValue();
  }
}

void DomNode::Text(const std::wstring& value) { Require().SetText(value); }

DomAttributes DomNode::Attributes() const {
  Require();
  return DomAttributes(*this);
}

DomNodeList DomNode::childNodes() const { return WrapList(Require().ChildNodes()); }
DomNodeList DomNode::selectNodes(const std::wstring& xpath) const { return WrapList(Require().SelectNodes(xpath)); }
DomNode DomNode::SelectSingleNode(const std::wstring& xpath) const {
  return DomNode(Require().SelectSingleNode(xpath));
}
DomNode DomNode::appendChild(const DomNode& child) { return Insert(RequireImpl(*this), child, DomNode()); }
DomNode DomNode::insertBefore(const DomNode& child, const DomNode& before) {
  return Insert(RequireImpl(*this), child, before);
}

// ---- DomNodeList, DomAttributes

std::int32_t DomNodeList::Length() const {
  if (!impl_) Fail("object variable not set");
  return impl_->Length();
}

DomNode DomNodeList::Item(std::int32_t index) const {
  if (!impl_) Fail("object variable not set");
  if (index < 0 || index >= impl_->Length()) return DomNode();
  return DomNode(impl_->Item(index));
}

DomNode DomAttributes::getNamedItem(const std::wstring& name) const {
  return DomNode(RequireImpl(owner_)->Attribute(name));
}

// ---- DomDocument

DomDocument::DomDocument(std::unique_ptr<DocumentImpl> impl) : impl_(std::move(impl)) {
  if (!impl_) Fail("no XML document backend");
}

DomDocument::~DomDocument() = default;

bool DomDocument::Load(const std::wstring& path) {
  const auto bytes = ReadFileBytes(path);
  if (bytes) return LoadBytes(*bytes);
  impl_->Parse(L"", preserveWhitespace_);
  loadFailure_ = {LoadProblem::File, 0, 0, L"the file cannot be read"};
  return false;
}

bool DomDocument::LoadBytes(std::string_view bytes) {
  const auto text = DecodeXmlBytes(bytes);
  if (!text) {
    impl_->Parse(L"", preserveWhitespace_);  // fails, and leaves the document empty
    loadFailure_ = {LoadProblem::Encoding, 0, 0, L"the bytes are not valid in the encoding " + DetectXmlEncoding(bytes)};
    return false;
  }
  return loadXML(*text);
}

bool DomDocument::loadXML(const std::wstring& text) {
  loadFailure_ = {};
  const auto split = SplitDeclaration(text);
  std::wstring body = split ? std::wstring(split->body) : std::wstring();
  if (!split || !BlankBareDoctype(body)) {
    impl_->Parse(L"", preserveWhitespace_);
    loadFailure_ = split ? LoadFailure{LoadProblem::Doctype, 0, 0, L"a document type declaration is refused"}
                         : LoadFailure{LoadProblem::Declaration, 1, 1, L"the XML declaration is malformed"};
    return false;
  }
  // The blanked doctype keeps its length, so places still count from the original text.
  if (!impl_->Parse(body, preserveWhitespace_)) {
    // The parser counted from the end of the declaration it never saw.
    const auto failure = impl_->LastParseFailure();
    const std::wstring_view before(text.data(), static_cast<std::size_t>(split->body.data() - text.data()));
    const long lines = static_cast<long>(std::count(before.begin(), before.end(), L'\n'));
    const auto lastBreak = before.rfind(L'\n');
    const long startColumn = static_cast<long>(lastBreak == std::wstring_view::npos ? before.size() : before.size() - lastBreak - 1);
    loadFailure_ = {LoadProblem::Syntax, failure.line == 0 ? 0 : failure.line + lines,
                    failure.line == 1 ? failure.column + startColumn : failure.column, failure.reason};
    return false;
  }
  if (split->declaration.empty()) return true;
  auto document = impl_->DocumentNode();
  auto declaration = impl_->CreateProcessingInstruction(L"xml", split->declaration);
  auto first = document->FirstChild();
  document->InsertBefore(*declaration, first.get());
  return true;
}

void DomDocument::Save(const std::wstring& path) {
  // A document without a root would replace a good file with one no reader accepts.
  if (documentElement().IsNothing()) Fail("the document has no root element");
  const auto document = impl_->DocumentNode();
  std::wstring encoding = DeclaredEncoding(DeclarationData(document));
  if (encoding.empty()) encoding = L"UTF-8";
  // Written in an encoding that does not spell its declaration in ASCII, the file could
  // never be loaded again.
  if (!IsReadableFileEncoding(encoding)) Fail("cannot save in the encoding " + ToUtf8(encoding));
  RequireEncodableMarkup(document, encoding);
  WriteFileAtomically(path, EncodeText(SerialiseDocument(document), encoding));
}

void DomDocument::PreserveWhitespace(bool value) {
  preserveWhitespace_ = value;
  impl_->PreserveWhitespace(value);
}
bool DomDocument::PreserveWhitespace() const { return preserveWhitespace_; }

DomNode DomDocument::documentElement() const {
  for (auto at = impl_->DocumentNode()->FirstChild(); at; at = at->NextSibling()) {
    if (at->kind() == NodeKind::Element) return DomNode(at);
  }
  return DomNode();
}

DomNodeList DomDocument::childNodes() const { return AsNode().childNodes(); }
DomNodeList DomDocument::selectNodes(const std::wstring& xpath) const { return AsNode().selectNodes(xpath); }
DomNode DomDocument::SelectSingleNode(const std::wstring& xpath) const { return AsNode().SelectSingleNode(xpath); }

DomNode DomDocument::createElement(const std::wstring& name) {
  if (!IsPlausibleName(name)) Fail("invalid element name");
  return DomNode(impl_->CreateElement(name));
}

DomNode DomDocument::createProcessingInstruction(const std::wstring& target, const std::wstring& data) {
  if (!IsPlausibleName(target) || data.find(L"?>") != std::wstring::npos) Fail("invalid processing instruction");
  return DomNode(impl_->CreateProcessingInstruction(target, data));
}

DomNode DomDocument::appendChild(const DomNode& child) { return AsNode().appendChild(child); }
DomNode DomDocument::insertBefore(const DomNode& child, const DomNode& before) {
  return AsNode().insertBefore(child, before);
}

DomNode DomDocument::AsNode() const { return DomNode(impl_->DocumentNode()); }

}  // namespace notify::xml
