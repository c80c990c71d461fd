#include <windows.h>

#include "platform/error.h"
#include "platform/handles_win.h"
#include "platform/registry.h"
#include "platform/xml/encoding.h"

namespace notify {
namespace {

// The predefined keys are 32-bit values sign-extended into a handle.
HKEY RootHandle(RegRoot root) {
  return reinterpret_cast<HKEY>(static_cast<LONG_PTR>(static_cast<LONG>(static_cast<std::uint32_t>(root))));
}

bool IsTextType(std::uint32_t type) { return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz; }

// Text data is ANSI by definition; the registry keeps it as UTF-16, exactly as the ANSI
// entry point would convert it, while the value name stays lossless UTF-16.
std::vector<std::uint8_t> StoredBytes(const std::vector<std::uint8_t>& encoded, std::uint32_t type) {
  if (!IsTextType(type) || encoded.empty()) return encoded;
  const auto* ansi = reinterpret_cast<const char*>(encoded.data());
  const int length = static_cast<int>(encoded.size());
  const int count = ::MultiByteToWideChar(CP_ACP, 0, ansi, length, nullptr, 0);
  if (count <= 0) Fail("MultiByteToWideChar failed");
  std::wstring wide(static_cast<std::size_t>(count), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, ansi, length, wide.data(), count);
  const auto* first = reinterpret_cast<const std::uint8_t*>(wide.data());
  return {first, first + wide.size() * sizeof(wchar_t)};
}

LONG WriteValue(HKEY key, const std::wstring& valueName, const RegValue& value, std::uint32_t type, LONG status) {
  const auto encoding = EncodeRegValue(value, type, xml::ToAnsi);
  if (encoding.kind == RegEncodingKind::Skip) return status;
  if (encoding.kind == RegEncodingKind::Refuse) return ERROR_FILE_NOT_FOUND;
  const auto bytes = StoredBytes(encoding.bytes, type);
  return ::RegSetValueExW(key, valueName.c_str(), 0, type, bytes.empty() ? nullptr : bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

}  // namespace

bool RegWriteValue(RegRoot root, const std::wstring& keyPath, const std::optional<std::wstring>& valueName,
                   const RegValue& value, std::uint32_t type) noexcept {
  return Trap(false, [&] {
    HKEY raw = nullptr;
    LONG status = ::RegCreateKeyExW(RootHandle(root), keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_ALL_ACCESS, nullptr, &raw, nullptr);
    const win::RegCloseKeyOwner key(status == ERROR_SUCCESS ? raw : nullptr);
    if (status == ERROR_SUCCESS && valueName) status = WriteValue(key.get(), *valueName, value, type, status);
    return status == ERROR_SUCCESS;
  });
}

}  // namespace notify
