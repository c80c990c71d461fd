#include <windows.h>
// Needs the types above.
#include <bcrypt.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/signature.h"

namespace notify {

namespace {

constexpr std::string_view kEcPublicKeyOid = "1.2.840.10045.2.1";
// DER of the named curve's OID 1.2.840.10045.3.1.7 (P-256).
constexpr unsigned char kP256CurveOid[] = {0x06, 0x08, 0x2A, 0x86, 0x48, 0xCE, 0x3D, 0x03, 0x01, 0x07};
constexpr std::size_t kCoordinateBytes = 32;

// The length of the DER element that starts the bytes (header included); 0 when malformed.
// The decoder below ignores bytes after the element, the native one refuses them.
std::size_t DerElementLength(std::string_view der) {
  if (der.size() < 2) return 0;
  const auto first = static_cast<unsigned char>(der[1]);
  if (first < 0x80) return 2 + std::size_t{first};
  const std::size_t lengthBytes = first & 0x7F;
  if (lengthBytes == 0 || lengthBytes > 3 || der.size() < 2 + lengthBytes) return 0;
  std::size_t length = 0;
  for (std::size_t i = 0; i < lengthBytes; ++i) length = (length << 8) | static_cast<unsigned char>(der[2 + i]);
  return 2 + lengthBytes + length;
}

struct LocalFreeDeleter {
  void operator()(void* memory) const { ::LocalFree(memory); }
};

template <class T>
std::unique_ptr<T, LocalFreeDeleter> Decode(LPCSTR structType, std::string_view der) {
  if (der.empty() || der.size() > 4096 || DerElementLength(der) != der.size()) return nullptr;
  void* decoded = nullptr;
  DWORD size = 0;
  if (!::CryptDecodeObjectEx(X509_ASN_ENCODING, structType, reinterpret_cast<const BYTE*>(der.data()),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &decoded, &size)) {
    return nullptr;
  }
  return std::unique_ptr<T, LocalFreeDeleter>(static_cast<T*>(decoded));
}

struct KeyHandle {
  BCRYPT_KEY_HANDLE handle = nullptr;
  ~KeyHandle() {
    if (handle != nullptr) ::BCryptDestroyKey(handle);
  }
};

bool IsP256Info(const CERT_PUBLIC_KEY_INFO& info) {
  if (info.Algorithm.pszObjId == nullptr || std::string_view(info.Algorithm.pszObjId) != kEcPublicKeyOid) return false;
  const auto& parameters = info.Algorithm.Parameters;
  return parameters.cbData == sizeof kP256CurveOid &&
         std::equal(kP256CurveOid, kP256CurveOid + sizeof kP256CurveOid, parameters.pbData);
}

bool ImportP256Key(std::string_view der, KeyHandle& key) {
  const auto info = Decode<CERT_PUBLIC_KEY_INFO>(X509_PUBLIC_KEY_INFO, der);
  if (!info || !IsP256Info(*info)) return false;
  return ::CryptImportPublicKeyInfoEx2(X509_ASN_ENCODING, info.get(), 0, nullptr, &key.handle) != FALSE;
}

// r and s come little-endian from the decoder; CNG wants each as 32 big-endian bytes.
bool AppendCoordinate(const CRYPT_UINT_BLOB& blob, std::string& out) {
  std::string value(reinterpret_cast<const char*>(blob.pbData), blob.cbData);
  while (!value.empty() && value.back() == '\0') value.pop_back();  // high zero bytes
  if (value.size() > kCoordinateBytes) return false;
  value.resize(kCoordinateBytes, '\0');
  out.append(value.rbegin(), value.rend());
  return true;
}

bool Sha256(std::string_view data, unsigned char (&digest)[32]) {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  if (::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) != 0) return false;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool done = ::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0) == 0;
  // BCryptHashData takes a ULONG length: feed large inputs in pieces.
  for (std::size_t at = 0; done && at < data.size(); at += 1u << 30) {
    const auto piece = static_cast<ULONG>(std::min<std::size_t>(data.size() - at, 1u << 30));
    done = ::BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(data.data() + at)), piece, 0) == 0;
  }
  done = done && ::BCryptFinishHash(hash, digest, sizeof digest, 0) == 0;
  if (hash != nullptr) ::BCryptDestroyHash(hash);
  ::BCryptCloseAlgorithmProvider(algorithm, 0);
  return done;
}

}  // namespace

bool IsP256PublicKey(std::string_view derPublicKey) noexcept {
  KeyHandle key;
  return ImportP256Key(derPublicKey, key);
}

bool VerifySignature(std::string_view data, std::string_view derSignature, std::string_view derPublicKey) noexcept {
  KeyHandle key;
  if (!ImportP256Key(derPublicKey, key)) return false;
  const auto signature = Decode<CERT_ECC_SIGNATURE>(X509_ECC_SIGNATURE, derSignature);
  if (!signature) return false;
  std::string raw;
  if (!AppendCoordinate(signature->r, raw) || !AppendCoordinate(signature->s, raw)) return false;
  unsigned char digest[32];
  if (!Sha256(data, digest)) return false;
  return ::BCryptVerifySignature(key.handle, nullptr, digest, sizeof digest,
                                 reinterpret_cast<PUCHAR>(raw.data()), static_cast<ULONG>(raw.size()), 0) == 0;
}

}  // namespace notify
