// The serialiser's round trip: a document that loads, saved in an encoding and loaded
// again, gives the same tree. Saving may refuse an encoding; it may not write a file
// that reads back as something else.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "platform/error.h"
#include "platform/xml/dom.h"
#include "platform/xml/dom_backend.h"
#include "platform/xml/encoding.h"
#include "platform/xml/serialise.h"

using namespace notify;

namespace {

// The encodings a catalogue or cache is written in, Unicode and code pages of both kinds
// (single-byte, multi-byte with ASCII-looking trail bytes).
const std::vector<std::wstring> kEncodings = {L"UTF-8",    L"UTF-16",      L"GB2312",     L"windows-1252",
                                              L"Shift_JIS", L"Big5",       L"ISO-8859-5", L"EUC-KR"};

// The tree as a flat list: one line per node on the way in, one per element on the way
// out. The "xml" declaration is left out; it is what the save changes.
std::wstring Shape(xml::DomDocument& doc) {
  std::wstring out;
  xml::WalkDescendants(
      doc.impl().DocumentNode(),
      [&out](const xml::NodeImpl& node, bool) {
        if (node.kind() == xml::NodeKind::ProcessingInstruction && node.nodeName() == L"xml") return;
        out += std::to_wstring(static_cast<int>(node.kind())) + L'|' + node.nodeName() + L'|' + node.nodeValue();
        for (const auto& [name, value] : node.AttributePairs()) out += L"|@" + name + L'=' + value;
        out += L'\n';
      },
      [&out](const xml::NodeImpl& node, bool) {
        if (node.kind() == xml::NodeKind::Element) out += L"/\n";
      });
  return out;
}

// Declares `encoding`, replacing the document's own declaration when it has one.
void Declare(xml::DomDocument& doc, const std::wstring& encoding) {
  const std::wstring data = L"version=\"1.0\" encoding=\"" + encoding + L"\"";
  const auto first = doc.impl().DocumentNode()->FirstChild();
  if (first && first->kind() == xml::NodeKind::ProcessingInstruction && first->nodeName() == L"xml") {
    first->SetText(data);
    return;
  }
  doc.insertBefore(doc.createProcessingInstruction(L"xml", data), xml::DomNode(first));
}

bool IsUnicode(const std::wstring& encoding) { return encoding == L"UTF-8" || encoding == L"UTF-16"; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const std::wstring input = fuzz::ScratchFolder() + L"input.xml";
  static const std::wstring saved = fuzz::ScratchFolder() + L"saved.xml";
  fuzz::WriteFile(input, fuzz::AsBytes(data, size));

  xml::DomDocument original(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
  original.PreserveWhitespace(true);
  if (!original.Load(input)) return 0;
  const std::wstring shape = Shape(original);

  std::vector<std::wstring> encodings = kEncodings;
  const auto declared = xml::DeclaredEncoding(xml::DeclarationData(original.impl().DocumentNode()));
  if (!declared.empty()) encodings.push_back(declared);

  for (const auto& encoding : encodings) {
    try {
      Declare(original, encoding);
      original.Save(saved);
    } catch (const RuntimeError& e) {
      // Any code page may refuse; a Unicode save of a loaded document has no reason to.
      if (IsUnicode(encoding)) fuzz::PropertyFailed(e.what(), encoding);
      continue;
    }
    xml::DomDocument reloaded(xml::CreateDomBackend(L"MSXML2.DOMDocument"));
    reloaded.PreserveWhitespace(true);
    if (!reloaded.Load(saved)) fuzz::PropertyFailed("a saved document does not load again", encoding);
    const std::wstring again = Shape(reloaded);
    if (again != shape) fuzz::PropertyFailed("the tree changed in a save", encoding + L"\n" + shape + L"---\n" + again);
  }
  return 0;
}
