#pragma once
// Detached signatures of published catalogues: ECDSA P-256 over the SHA-256 of the exact
// bytes, DER-encoded (as `openssl dgst -sha256 -sign` writes them), checked against public
// keys given as DER SubjectPublicKeyInfo. CNG on Windows, libcrypto natively; the
// platform files implement only the two functions marked "platform".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace notify {

// Standard base64 (RFC 4648 alphabet, '=' padding required to a multiple of four);
// nothing for any other character or a bad length.
std::optional<std::string> DecodeBase64(std::string_view text);

// platform: true when the bytes are a DER SubjectPublicKeyInfo of an ECDSA P-256 key.
bool IsP256PublicKey(std::string_view derPublicKey) noexcept;

// platform: true only when derSignature is a valid signature of data by that one key.
// Every malformed input (key, signature, empty or truncated) gives false.
bool VerifySignature(std::string_view data, std::string_view derSignature, std::string_view derPublicKey) noexcept;

// The keys of a SourceKey value: tokens separated by white space, each base64 of a P-256
// public key. A token that is not one is left out, so an empty result means no usable key.
std::vector<std::string> UsableKeys(std::wstring_view sourceKey);

// True when any of the keys verifies the signature, so a vendor can rotate keys.
bool VerifyWithAnyKey(std::string_view data, std::string_view derSignature,
                      const std::vector<std::string>& derPublicKeys) noexcept;

}  // namespace notify
