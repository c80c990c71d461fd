#include <windows.h>
#include <msxml2.h>

#include <climits>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/text.h"
#include "platform/xml/com_create_win.h"
#include "platform/xml/dom_backend.h"

namespace notify::xml {

namespace {

using win::ComPtr;

// MinGW's uuid library lacks this one: {2933BF95-7B36-11D2-B20E-00C04F983E60}.
constexpr IID kIidXmlDomDocument2 = {0x2933BF95, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

win::SysFreeStringOwner Bstr(const std::wstring& text) {
  if (text.size() > UINT_MAX / 2) Fail("text too long");
  win::SysFreeStringOwner s(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!s) Fail("out of memory");
  return s;
}

void Check(HRESULT hr, const char* what) {
  if (FAILED(hr)) Fail(std::string("XML component: ") + what + " failed");
}

// Calls a getter that allocates a string; the string is owned from the moment it exists.
template <class Getter>
std::wstring ReadBstr(Getter getter, const char* what) {
  BSTR raw = nullptr;
  const HRESULT hr = getter(&raw);
  const win::SysFreeStringOwner owned(raw);
  Check(hr, what);
  return raw ? std::wstring(raw, ::SysStringLen(raw)) : std::wstring();
}

std::shared_ptr<NodeImpl> Wrap(ComPtr<IXMLDOMNode> node);

class MsxmlNodeList final : public NodeListImpl {
 public:
  explicit MsxmlNodeList(ComPtr<IXMLDOMNodeList> list) : list_(std::move(list)) {}
  std::int32_t Length() const override {
    long length = 0;
    Check(list_->get_length(&length), "length");
    return static_cast<std::int32_t>(length);
  }
  std::shared_ptr<NodeImpl> Item(std::int32_t index) const override {
    ComPtr<IXMLDOMNode> node;
    if (FAILED(list_->get_item(index, node.put()))) return nullptr;
    return Wrap(std::move(node));
  }

 private:
  ComPtr<IXMLDOMNodeList> list_;
};

ComPtr<IUnknown> Identity(IUnknown* object) {
  ComPtr<IUnknown> identity;
  if (FAILED(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(identity.put())))) return {};
  return identity;
}

class MsxmlNode final : public NodeImpl {
 public:
  explicit MsxmlNode(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {}

  NodeKind kind() const override {
    DOMNodeType type = NODE_INVALID;
    Check(node_->get_nodeType(&type), "nodeType");
    switch (type) {
      case NODE_ELEMENT: return NodeKind::Element;
      case NODE_ATTRIBUTE: return NodeKind::Attribute;
      case NODE_TEXT: return NodeKind::Text;
      case NODE_CDATA_SECTION: return NodeKind::CData;
      case NODE_COMMENT: return NodeKind::Comment;
      case NODE_PROCESSING_INSTRUCTION: return NodeKind::ProcessingInstruction;
      case NODE_DOCUMENT: return NodeKind::Document;
      default: return NodeKind::Other;
    }
  }

  std::wstring nodeName() const override {
    return ReadBstr([&](BSTR* out) { return node_->get_nodeName(out); }, "nodeName");
  }

  std::wstring baseName() const override {
    return ReadBstr([&](BSTR* out) { return node_->get_baseName(out); }, "baseName");
  }

  std::wstring nodeValue() const override {
    win::VariantClearOwner value;
    Check(node_->get_nodeValue(value.put()), "nodeValue");
    if (value.get().vt != VT_BSTR || !value.get().bstrVal) return {};
    return std::wstring(value.get().bstrVal, ::SysStringLen(value.get().bstrVal));
  }

  void SetText(const std::wstring& value) override {
    const auto text = Bstr(value);
    if (kind() != NodeKind::Element) {
      Check(node_->put_text(text.get()), "text");
      return;
    }
    // Wine's put_text frees the old children under objects still handed out; removing
    // them one by one keeps those objects valid.
    for (ComPtr<IXMLDOMNode> child; node_->get_firstChild(child.put()) == S_OK && child;) {
      ComPtr<IXMLDOMNode> removed;
      Check(node_->removeChild(child.get(), removed.put()), "removeChild");
    }
    if (value.empty()) return;
    ComPtr<IXMLDOMDocument> owner;
    Check(node_->get_ownerDocument(owner.put()), "ownerDocument");
    if (!owner) Fail("XML component: no owner document");
    ComPtr<IXMLDOMText> textNode;
    Check(owner->createTextNode(text.get(), textNode.put()), "createTextNode");
    ComPtr<IXMLDOMNode> appended;
    Check(node_->appendChild(textNode.get(), appended.put()), "appendChild");
  }

  bool PreservesWhitespace() const override {
    ComPtr<IXMLDOMDocument> owner;
    if (node_->get_ownerDocument(owner.put()) != S_OK || !owner) {
      // The document node has no owner: it is its own.
      if (FAILED(node_->QueryInterface(IID_IXMLDOMDocument, reinterpret_cast<void**>(owner.put()))) || !owner) return false;
    }
    VARIANT_BOOL preserve = VARIANT_FALSE;
    return SUCCEEDED(owner->get_preserveWhiteSpace(&preserve)) && preserve == VARIANT_TRUE;
  }

  std::shared_ptr<NodeImpl> Attribute(const std::wstring& name) const override {
    ComPtr<IXMLDOMNamedNodeMap> map;
    if (node_->get_attributes(map.put()) != S_OK || !map) return nullptr;
    ComPtr<IXMLDOMNode> attribute;
    const auto bstrName = Bstr(name);
    if (map->getNamedItem(bstrName.get(), attribute.put()) != S_OK) return nullptr;
    return Wrap(std::move(attribute));
  }

  std::vector<std::pair<std::wstring, std::wstring>> AttributePairs() const override {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    ComPtr<IXMLDOMNamedNodeMap> map;
    if (node_->get_attributes(map.put()) != S_OK || !map) return pairs;
    long length = 0;
    Check(map->get_length(&length), "attributes");
    for (long i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> attribute;
      Check(map->get_item(i, attribute.put()), "attribute");
      MsxmlNode wrapper(std::move(attribute));
      pairs.emplace_back(wrapper.nodeName(), wrapper.nodeValue());
    }
    return pairs;
  }

  std::shared_ptr<NodeListImpl> ChildNodes() const override {
    ComPtr<IXMLDOMNodeList> list;
    Check(node_->get_childNodes(list.put()), "childNodes");
    if (!list) Fail("XML component: no child list");
    return std::make_shared<MsxmlNodeList>(std::move(list));
  }

  std::shared_ptr<NodeImpl> FirstChild() const override { return Related(&IXMLDOMNode::get_firstChild); }
  std::shared_ptr<NodeImpl> NextSibling() const override { return Related(&IXMLDOMNode::get_nextSibling); }
  std::shared_ptr<NodeImpl> Parent() const override { return Related(&IXMLDOMNode::get_parentNode); }

  // Wine hands out a new object for every lookup of a node, so COM identity alone cannot
  // tell; the node's position (its sibling index on every level) can. Two detached
  // subtrees cannot be told apart that way and count as different.
  bool IsSame(const NodeImpl& other) const override {
    const auto* o = dynamic_cast<const MsxmlNode*>(&other);
    if (!o) return false;
    if (SameObject(node_.get(), o->node_.get())) return true;
    auto a = std::make_shared<MsxmlNode>(node_);
    auto b = std::make_shared<MsxmlNode>(o->node_);
    while (a && b) {
      if (SameObject(a->node_.get(), b->node_.get())) return true;
      if (a->SiblingIndex() != b->SiblingIndex()) return false;
      auto parentA = std::static_pointer_cast<MsxmlNode>(a->Parent());
      auto parentB = std::static_pointer_cast<MsxmlNode>(b->Parent());
      // Same index on every level up to a document: the same place in the one document.
      if (!parentA && !parentB) return a->kind() == NodeKind::Document && b->kind() == NodeKind::Document;
      a = std::move(parentA);
      b = std::move(parentB);
    }
    return false;
  }

  std::shared_ptr<NodeListImpl> SelectNodes(const std::wstring& xpath) const override {
    ComPtr<IXMLDOMNodeList> list;
    const auto query = Bstr(xpath);
    Check(node_->selectNodes(query.get(), list.put()), "selectNodes");
    if (!list) Fail("XML component: no node list");
    return std::make_shared<MsxmlNodeList>(std::move(list));
  }

  std::shared_ptr<NodeImpl> SelectSingleNode(const std::wstring& xpath) const override {
    ComPtr<IXMLDOMNode> node;
    const auto query = Bstr(xpath);
    Check(node_->selectSingleNode(query.get(), node.put()), "selectSingleNode");
    return Wrap(std::move(node));
  }

  std::shared_ptr<NodeImpl> InsertBefore(NodeImpl& child, NodeImpl* before) override {
    auto* c = dynamic_cast<MsxmlNode*>(&child);
    auto* b = dynamic_cast<MsxmlNode*>(before);
    if (!c || (before && !b)) Fail("the node belongs to another component");
    ComPtr<IXMLDOMNode> inserted;
    if (!b) {
      Check(node_->appendChild(c->node_.get(), inserted.put()), "appendChild");
    } else {
      VARIANT reference;
      ::VariantInit(&reference);
      reference.vt = VT_UNKNOWN;
      reference.punkVal = b->node_.get();  // borrowed for the call, never cleared
      Check(node_->insertBefore(c->node_.get(), reference, inserted.put()), "insertBefore");
    }
    return Wrap(std::move(inserted));
  }

  IXMLDOMNode* get() const { return node_.get(); }

 private:
  static bool SameObject(IUnknown* a, IUnknown* b) {
    const auto identityA = Identity(a);
    return identityA && identityA.get() == Identity(b).get();
  }

  std::size_t SiblingIndex() const {
    std::size_t index = 0;
    for (auto at = Related(&IXMLDOMNode::get_previousSibling); at;
         at = static_cast<MsxmlNode&>(*at).Related(&IXMLDOMNode::get_previousSibling)) {
      ++index;
    }
    return index;
  }

  std::shared_ptr<NodeImpl> Related(HRESULT (STDMETHODCALLTYPE IXMLDOMNode::*getter)(IXMLDOMNode**)) const {
    ComPtr<IXMLDOMNode> node;
    if (((*node_.get()).*getter)(node.put()) != S_OK) return nullptr;
    return Wrap(std::move(node));
  }

  ComPtr<IXMLDOMNode> node_;
};

std::shared_ptr<NodeImpl> Wrap(ComPtr<IXMLDOMNode> node) {
  if (!node) return nullptr;
  return std::make_shared<MsxmlNode>(std::move(node));
}

template <class I>
ComPtr<IXMLDOMNode> AsNode(I* object) {
  ComPtr<IXMLDOMNode> node;
  if (!object || FAILED(object->QueryInterface(IID_IXMLDOMNode, reinterpret_cast<void**>(node.put())))) {
    Fail("XML component: not a node");
  }
  return node;
}

// Properties an older or emulated component may not know are tolerated.
void TrySetProperty(IXMLDOMDocument* document, const wchar_t* name, VARIANT value) {
  ComPtr<IXMLDOMDocument2> document2;
  if (FAILED(document->QueryInterface(kIidXmlDomDocument2, reinterpret_cast<void**>(document2.put())))) return;
  const auto bstrName = Bstr(name);
  (void)document2->setProperty(bstrName.get(), value);
}

void Configure(IXMLDOMDocument* document) {
  (void)document->put_async(VARIANT_FALSE);
  (void)document->put_resolveExternals(VARIANT_FALSE);
  (void)document->put_validateOnParse(VARIANT_FALSE);
  // MSXML3 defaults to XSL Patterns; ".//Message" needs XPath.
  const auto xpath = Bstr(L"XPath");
  VARIANT language;
  ::VariantInit(&language);
  language.vt = VT_BSTR;
  language.bstrVal = xpath.get();  // borrowed for the call
  TrySetProperty(document, L"SelectionLanguage", language);
  VARIANT prohibit;
  ::VariantInit(&prohibit);
  prohibit.vt = VT_BOOL;
  prohibit.boolVal = VARIANT_TRUE;
  TrySetProperty(document, L"ProhibitDTD", prohibit);
}

class MsxmlDocument final : public DocumentImpl {
 public:
  explicit MsxmlDocument(ComPtr<IXMLDOMDocument> document) : document_(std::move(document)) {
    Configure(document_.get());
  }

  bool Parse(const std::wstring& text, bool preserveWhitespace) override {
    Check(document_->put_preserveWhiteSpace(preserveWhitespace ? VARIANT_TRUE : VARIANT_FALSE), "preserveWhiteSpace");
    const auto bstrText = Bstr(text);
    VARIANT_BOOL ok = VARIANT_FALSE;
    const HRESULT hr = document_->loadXML(bstrText.get(), &ok);
    return SUCCEEDED(hr) && ok == VARIANT_TRUE;
  }

  ParseFailure LastParseFailure() const override {
    ParseFailure failure{0, 0, L"the document is not well formed"};
    ComPtr<IXMLDOMParseError> error;
    if (FAILED(document_->get_parseError(error.put())) || !error) return failure;
    long line = 0;
    long column = 0;
    if (SUCCEEDED(error->get_line(&line)) && SUCCEEDED(error->get_linepos(&column)) && line > 0) {
      failure.line = line;
      failure.column = column;
    }
    BSTR reason = nullptr;
    if (SUCCEEDED(error->get_reason(&reason)) && reason != nullptr) {
      std::wstring text(reason, ::SysStringLen(reason));
      ::SysFreeString(reason);
      while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' ')) text.pop_back();
      if (!text.empty()) failure.reason = std::move(text);
    }
    return failure;
  }

  void PreserveWhitespace(bool value) override {
    Check(document_->put_preserveWhiteSpace(value ? VARIANT_TRUE : VARIANT_FALSE), "preserveWhiteSpace");
  }

  std::shared_ptr<NodeImpl> DocumentNode() const override { return Wrap(AsNode(document_.get())); }

  std::shared_ptr<NodeImpl> CreateElement(const std::wstring& name) override {
    ComPtr<IXMLDOMElement> element;
    const auto bstrName = Bstr(name);
    Check(document_->createElement(bstrName.get(), element.put()), "createElement");
    return Wrap(AsNode(element.get()));
  }

  std::shared_ptr<NodeImpl> CreateProcessingInstruction(const std::wstring& target, const std::wstring& data) override {
    ComPtr<IXMLDOMProcessingInstruction> pi;
    const auto bstrTarget = Bstr(target);
    const auto bstrData = Bstr(data);
    Check(document_->createProcessingInstruction(bstrTarget.get(), bstrData.get(), pi.put()),
          "createProcessingInstruction");
    return Wrap(AsNode(pi.get()));
  }

 private:
  ComPtr<IXMLDOMDocument> document_;
};

}  // namespace

std::unique_ptr<DocumentImpl> CreateDomBackend(const std::wstring& progId) {
  auto document = CreateFromProgId<IXMLDOMDocument>(progId, IID_IXMLDOMDocument);
  if (!document) return nullptr;
  return std::make_unique<MsxmlDocument>(std::move(document));
}

}  // namespace notify::xml
