#include <openssl/evp.h>
#include <openssl/x509.h>

#include <memory>

#include "platform/signature.h"

namespace notify {

namespace {

struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct ContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;

// The whole input must be the key: trailing bytes make it a different thing.
KeyPtr ReadP256Key(std::string_view der) {
  if (der.empty() || der.size() > 4096) return nullptr;
  const auto* at = reinterpret_cast<const unsigned char*>(der.data());
  KeyPtr key(d2i_PUBKEY(nullptr, &at, static_cast<long>(der.size())));
  if (!key || at != reinterpret_cast<const unsigned char*>(der.data()) + der.size()) return nullptr;
  if (!EVP_PKEY_is_a(key.get(), "EC")) return nullptr;
  char group[64] = {};
  std::size_t length = 0;
  if (EVP_PKEY_get_utf8_string_param(key.get(), "group", group, sizeof group, &length) != 1) return nullptr;
  if (std::string_view(group, length) != "prime256v1") return nullptr;
  return key;
}

}  // namespace

bool IsP256PublicKey(std::string_view derPublicKey) noexcept { return ReadP256Key(derPublicKey) != nullptr; }

bool VerifySignature(std::string_view data, std::string_view derSignature, std::string_view derPublicKey) noexcept {
  if (derSignature.empty()) return false;
  const KeyPtr key = ReadP256Key(derPublicKey);
  if (!key) return false;
  const std::unique_ptr<EVP_MD_CTX, ContextFree> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestVerifyInit(context.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(derSignature.data()),
                          derSignature.size(), reinterpret_cast<const unsigned char*>(data.data()),
                          data.size()) == 1;
}

}  // namespace notify
