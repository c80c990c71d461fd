#include "platform/signature.h"

#include <cstdint>

namespace notify {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsKeySeparator(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

}  // namespace

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (text.empty() || text.size() % 4 != 0) return std::nullopt;
  std::size_t padding = 0;
  if (text.back() == '=') padding = text[text.size() - 2] == '=' ? 2 : 1;
  std::string out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t bits = 0;
  int count = 0;
  for (std::size_t i = 0; i < text.size() - padding; ++i) {
    const int value = Base64Value(text[i]);
    if (value < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<std::uint32_t>(value);
    if (++count == 4) {
      out += static_cast<char>((bits >> 16) & 0xFF);
      out += static_cast<char>((bits >> 8) & 0xFF);
      out += static_cast<char>(bits & 0xFF);
      bits = 0;
      count = 0;
    }
  }
  // The padded tail: 2 or 3 symbols give 1 or 2 bytes; their unused low bits must be zero.
  if (count == 2) {
    if ((bits & 0x0F) != 0) return std::nullopt;
    out += static_cast<char>((bits >> 4) & 0xFF);
  } else if (count == 3) {
    if ((bits & 0x03) != 0) return std::nullopt;
    out += static_cast<char>((bits >> 10) & 0xFF);
    out += static_cast<char>((bits >> 2) & 0xFF);
  } else if (count != 0) {
    return std::nullopt;
  }
  return out;
}

std::vector<std::string> UsableKeys(std::wstring_view sourceKey) {
  std::vector<std::string> keys;
  std::size_t at = 0;
  while (at < sourceKey.size()) {
    while (at < sourceKey.size() && IsKeySeparator(sourceKey[at])) ++at;
    std::size_t end = at;
    while (end < sourceKey.size() && !IsKeySeparator(sourceKey[end])) ++end;
    if (end == at) break;
    std::string token;
    bool ascii = true;
    for (std::size_t i = at; i < end; ++i) {
      if (sourceKey[i] > 0x7F) ascii = false;
      token += static_cast<char>(sourceKey[i] & 0x7F);
    }
    auto der = ascii ? DecodeBase64(token) : std::nullopt;
    if (der && IsP256PublicKey(*der)) keys.push_back(std::move(*der));
    at = end;
  }
  return keys;
}

bool VerifyWithAnyKey(std::string_view data, std::string_view derSignature,
                      const std::vector<std::string>& derPublicKeys) noexcept {
  for (const auto& key : derPublicKeys) {
    if (VerifySignature(data, derSignature, key)) return true;
  }
  return false;
}

}  // namespace notify
