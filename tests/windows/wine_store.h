// The current user's "MY" store as Wine's crypt32 fills it and reports it: the answers the
// library's results are checked against.
#pragma once

#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdint>
#include <string>
#include <vector>

namespace harness {

using Bytes = std::vector<std::uint8_t>;

struct StoredCertificate {
  // CertNameToStrW's X.500 text of the subject, its terminating U+0000 included.
  std::u16string dn;
  Bytes encoded;
  // CertVerifyTimeValidity's verdict for the present moment.
  bool validNow;
};

// Every certificate of "MY" in Wine's enumeration order.
std::vector<StoredCertificate> personalCertificates();

// The helpers below end the test with a fatal failure when Wine refuses a step.
void emptyPersonalStore();
// PFXImportCertStore with flags 0, the ones Wine accepts, then each certificate into "MY". A
// keySpec other than 0 replaces the key specification Wine recorded with each certificate. Wine
// keeps every imported key in one container, so only the packet imported last keeps its own key.
void importIntoPersonalStore(const Bytes& pfx, const std::u16string& password, DWORD keySpec = 0);
// A certificate without a key into "MY".
void addToPersonalStore(const Bytes& encoded);

// The key specification CryptAcquireCertificatePrivateKey reports for the certificate of dn.
DWORD reportedKeySpecification(const std::u16string& dn);

// FormatMessageA's text for code, as the library asks for it, or empty when there is none.
std::string systemText(DWORD code);

}  // namespace harness
