#pragma once
// Code-page conversions for the XML layer and the error log. Encodings are named as an
// XML declaration names them ("UTF-8", "GB2312", "windows-1252"...), without regard to case.
#include <optional>
#include <string>
#include <string_view>

namespace notify::xml {

// True for the names this build can convert (UTF-8, UTF-16 and every code page it knows).
bool IsKnownEncoding(std::wstring_view encoding);

// Bytes to text. Nothing when the encoding is unknown or the bytes are invalid in it.
// A BOM is not stripped here (see DecodeXmlBytes).
std::optional<std::wstring> DecodeBytes(std::string_view bytes, std::wstring_view encoding);

// Text to bytes. A character the encoding cannot represent becomes a numeric character
// reference ("&#20013;"), never '?'. "UTF-16" gives little-endian bytes with a BOM.
// Throws RuntimeError for an unknown encoding.
std::string EncodeText(std::wstring_view text, std::wstring_view encoding);

// True when every character of the text has its own bytes in the encoding, so that no
// character reference stands in for one. False for an unknown encoding.
bool EncodesExactly(std::wstring_view text, std::wstring_view encoding);

// True when a file written in the encoding can be loaded again: Unicode (told by its BOM)
// or a code page that spells ASCII as ASCII, since the declaration is read byte by byte.
// False for an unknown encoding and for such as EBCDIC or UTF-7.
bool IsReadableFileEncoding(std::wstring_view encoding);

// The system's ANSI code page (CP_ACP on Windows; GB18030 in the native build, the
// superset of the code page the module's Chinese texts are written in). Unrepresentable
// characters become '?'.
std::string ToAnsi(std::wstring_view text);

// The encoding an XML file's bytes are in: the BOM first, then the declaration's
// encoding, then UTF-8. Names come back as "UTF-8", "UTF-16LE", "UTF-16BE" or as declared.
std::wstring DetectXmlEncoding(std::string_view bytes);

// Decodes a whole XML file (BOM removed). Nothing for an unknown encoding or invalid bytes.
std::optional<std::wstring> DecodeXmlBytes(std::string_view bytes);

// The value of the encoding pseudo-attribute in declaration data such as
// "version='1.0' encoding='GB2312'"; empty when absent.
std::wstring DeclaredEncoding(std::wstring_view declarationData);

}  // namespace notify::xml
