#include "tests/windows/wine_store.h"

#include <gtest/gtest.h>

namespace harness {

namespace {

HCERTSTORE openPersonalStore() { return CertOpenSystemStoreW(0, L"MY"); }

std::u16string subjectText(PCCERT_CONTEXT certificate) {
  CERT_NAME_BLOB* subject = &certificate->pCertInfo->Subject;
  const DWORD count = CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, 0);
  std::wstring text(count, L'\0');
  CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, text.data(), count);
  return std::u16string(text.begin(), text.end());
}

// The certificate of "MY" whose subject text is dn, or null; the caller frees it.
PCCERT_CONTEXT findByDn(HCERTSTORE store, const std::u16string& dn) {
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
    if (subjectText(certificate) == dn) {
      return certificate;
    }
  }
  return nullptr;
}

// On the imported certificate, before it is added, so that "MY" stores the new key specification
// with the certificate.
void recordKeySpecification(PCCERT_CONTEXT certificate, DWORD keySpec) {
  DWORD size = 0;
  ASSERT_TRUE(
      CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, nullptr, &size));
  std::vector<BYTE> buffer(size);
  ASSERT_TRUE(CertGetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID,
                                                buffer.data(), &size));
  auto* info = reinterpret_cast<CRYPT_KEY_PROV_INFO*>(buffer.data());
  info->dwKeySpec = keySpec;
  ASSERT_TRUE(CertSetCertificateContextProperty(certificate, CERT_KEY_PROV_INFO_PROP_ID, 0, info));
}

void addEveryCertificate(HCERTSTORE from, HCERTSTORE personal, DWORD keySpec) {
  PCCERT_CONTEXT certificate = nullptr;
  while ((certificate = CertEnumCertificatesInStore(from, certificate)) != nullptr) {
    if (keySpec != 0) {
      recordKeySpecification(certificate, keySpec);
    }
    EXPECT_TRUE(
        CertAddCertificateContextToStore(personal, certificate, CERT_STORE_ADD_ALWAYS, nullptr))
        << "error " << GetLastError();
  }
}

}  // namespace

std::vector<StoredCertificate> personalCertificates() {
  std::vector<StoredCertificate> stored;
  const HCERTSTORE store = openPersonalStore();
  EXPECT_NE(store, nullptr);
  PCCERT_CONTEXT certificate = nullptr;
  while (store != nullptr &&
         (certificate = CertEnumCertificatesInStore(store, certificate)) != nullptr) {
    const BYTE* encoded = certificate->pbCertEncoded;
    stored.push_back({subjectText(certificate),
                      Bytes(encoded, encoded + certificate->cbCertEncoded),
                      CertVerifyTimeValidity(nullptr, certificate->pCertInfo) == 0});
  }
  CertCloseStore(store, 0);
  return stored;
}

void emptyPersonalStore() {
  // Wine's CertDeleteCertificateFromStore on the system store leaves the registry copy in place,
  // so the registry key that holds the user's "MY" certificates goes instead.
  const LSTATUS status = RegDeleteTreeW(
      HKEY_CURRENT_USER, L"Software\\Microsoft\\SystemCertificates\\MY\\Certificates");
  ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << "error " << status;
  ASSERT_TRUE(personalCertificates().empty());
}

void importIntoPersonalStore(const Bytes& pfx, const std::u16string& password, DWORD keySpec) {
  CRYPT_DATA_BLOB blob{static_cast<DWORD>(pfx.size()), const_cast<BYTE*>(pfx.data())};
  const std::wstring widePassword(password.begin(), password.end());
  const HCERTSTORE imported = PFXImportCertStore(&blob, widePassword.c_str(), 0);
  ASSERT_NE(imported, nullptr) << "PFXImportCertStore failed with error " << GetLastError();
  const HCERTSTORE personal = openPersonalStore();
  ASSERT_NE(personal, nullptr);
  addEveryCertificate(imported, personal, keySpec);
  CertCloseStore(personal, 0);
  CertCloseStore(imported, CERT_CLOSE_STORE_FORCE_FLAG);
}

void addToPersonalStore(const Bytes& encoded) {
  const HCERTSTORE personal = openPersonalStore();
  ASSERT_NE(personal, nullptr);
  EXPECT_TRUE(CertAddEncodedCertificateToStore(personal, X509_ASN_ENCODING, encoded.data(),
                                               static_cast<DWORD>(encoded.size()),
                                               CERT_STORE_ADD_REPLACE_EXISTING, nullptr))
      << "error " << GetLastError();
  CertCloseStore(personal, 0);
}

DWORD reportedKeySpecification(const std::u16string& dn) {
  const HCERTSTORE personal = openPersonalStore();
  const PCCERT_CONTEXT certificate = findByDn(personal, dn);
  DWORD keySpec = 0;
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE provider = 0;
  BOOL mustRelease = FALSE;
  EXPECT_NE(certificate, nullptr);
  if (certificate != nullptr &&
      CryptAcquireCertificatePrivateKey(certificate, 0, nullptr, &provider, &keySpec,
                                        &mustRelease) &&
      mustRelease) {
    CryptReleaseContext(provider, 0);
  }
  CertFreeCertificateContext(certificate);
  CertCloseStore(personal, 0);
  return keySpec;
}

std::string systemText(DWORD code) {
  char* text = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      reinterpret_cast<LPSTR>(&text), 0, nullptr);
  const std::string result = length == 0 || text == nullptr ? "" : std::string(text, length);
  LocalFree(text);
  return result;
}

}  // namespace harness
