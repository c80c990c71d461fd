#include "platform/xml/encoding.h"

namespace notify::xml {

// The native build has no system code page of its own; GB18030 stands in for it because
// it holds every character (the log's Chinese texts survive) and is ASCII-compatible.
std::string ToAnsi(std::wstring_view text) { return EncodeText(text, L"GB18030"); }

}  // namespace notify::xml
