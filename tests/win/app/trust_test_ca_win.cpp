// Trusts a test certificate authority in the current user's Root store of this Wine
// prefix, so that HTTPS tests run with the product's certificate checks on.
//   trust_test_ca <ca.der>
// Exit code 0 when trusted, 2 for bad arguments or an unreadable file, 3 when the store refuses.
#include <windows.h>
#include <wincrypt.h>

#include <cstdio>
#include <vector>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 2;
  std::vector<BYTE> der;
  FILE* file = ::_wfopen(argv[1], L"rb");
  if (file == nullptr) return 2;
  BYTE chunk[4096];
  std::size_t got = 0;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) der.insert(der.end(), chunk, chunk + got);
  std::fclose(file);
  if (der.empty()) return 2;

  HCERTSTORE store = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
  if (store == nullptr) return 3;
  const bool added = ::CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(),
                                                        static_cast<DWORD>(der.size()),
                                                        CERT_STORE_ADD_REPLACE_EXISTING, nullptr) != FALSE;
  ::CertCloseStore(store, 0);
  return added ? 0 : 3;
}
