// The XML byte layer (BOM and declaration sniffing, decoding) and Load on the parser
// backend, then the reads the program makes on whatever tree comes out.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"

using namespace notify;

namespace {

void ReadTree(const xml::DomDocument& doc) {
  const auto elements = doc.selectNodes(L"//*");
  const std::int32_t count = elements.Length();
  // Enough to reach every kind of node; a wide flat document would only repeat itself.
  for (std::int32_t i = 0; i < count && i < 512; ++i) {
    const auto element = elements.Item(i);
    if (element.kind() != xml::NodeKind::Element) fuzz::PropertyFailed("//* selected a non-element");
    (void)element.baseName();
    (void)element.Text();
    for (const auto& pair : element.impl()->AttributePairs()) {
      if (element.Attributes().getNamedItem(pair.first).IsNothing() && pair.first.rfind(L"xmlns", 0) != 0) {
        fuzz::PropertyFailed("an attribute listed by the element is not found by its name", pair.first);
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto bytes = fuzz::AsBytes(data, size);
  (void)xml::DetectXmlEncoding(bytes);
  const auto decoded = xml::DecodeXmlBytes(bytes);

  static const std::wstring path = fuzz::ScratchFolder() + L"input.xml";
  fuzz::WriteFile(path, bytes);
  xml::DomDocument doc(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  const bool loaded = doc.Load(path);
  if (loaded && !decoded) fuzz::PropertyFailed("Load accepted bytes that do not decode");
  if (loaded && doc.documentElement().IsNothing()) fuzz::PropertyFailed("a loaded document has no root");
  if (!loaded && !doc.documentElement().IsNothing()) fuzz::PropertyFailed("a failed load kept a tree");
  if (loaded) {
    try {
      ReadTree(doc);
    } catch (const RuntimeError&) {
      // A failing read is the trapped failure the program expects.
    }
  }
  return 0;
}
