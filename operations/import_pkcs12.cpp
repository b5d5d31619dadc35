#include "operations/import_pkcs12.h"

#include "jni/arguments.h"
#include "jni/failure.h"
#include "jni/password_copy.h"
#include "jni/windows_error.h"
#include "store/personal_store.h"

namespace varomel {

namespace {

constexpr DWORD kImportFlags = CRYPT_USER_KEYSET | CRYPT_USER_PROTECTED | CRYPT_EXPORTABLE;

// An empty password, or one that starts with U+0000, is no password at all.
LPCWSTR passwordArgument(const PasswordCopy& copy) {
  return copy.length == 0 || copy.units[0] == 0 ? nullptr : copy.units;
}

// Adds the imported certificates in their order; at the first refusal the system's reason goes
// into error and the rest are not tried.
void addEveryCertificate(HCERTSTORE imported, HCERTSTORE personal, WindowsErrorText* error) {
  for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(imported, nullptr);
       certificate != nullptr; certificate = CertEnumCertificatesInStore(imported, certificate)) {
    if (!CertAddCertificateContextToStore(personal, certificate, CERT_STORE_ADD_REPLACE_EXISTING,
                                          nullptr)) {
      formatWindowsError(error);
      return;
    }
  }
}

}  // namespace

void importPKCS12(JNIEnv* env, jbyteArray pkcs12, jcharArray password) {
  if (pkcs12 == nullptr || password == nullptr) {
    throwNullArgument(env, pkcs12 == nullptr ? "pkcs12" : "password");
    return;
  }
  PasswordCopy copy{nullptr, 0};
  if (!makePasswordCopy(env, password, &copy)) {
    wipeAndFreePasswordCopy(copy);
    return;
  }
  const ByteElements packet = takeByteElements(env, pkcs12);
  if (packet.elements == nullptr) {
    rethrowOrFail(env, nullptr, general_failure::kImportPkcs12,
                  [&] { wipeAndFreePasswordCopy(copy); });
    return;
  }
  CRYPT_DATA_BLOB pfx{static_cast<DWORD>(packet.length), reinterpret_cast<BYTE*>(packet.elements)};
  // Stays empty unless a platform call is refused; the reason is read before any clean-up.
  WindowsErrorText error{};
  const HCERTSTORE imported = PFXImportCertStore(&pfx, passwordArgument(copy), kImportFlags);
  HCERTSTORE personal = nullptr;
  if (imported == nullptr) {
    formatWindowsError(&error);
  } else if ((personal = openPersonalStore(env)) != nullptr) {
    addEveryCertificate(imported, personal, &error);
  }
  forceCloseStore(imported);
  forceCloseStore(personal);
  releaseByteElements(env, pkcs12, packet);
  wipeAndFreePasswordCopy(copy);
  if (error.text[0] != 0) {
    throwIOException(env, error.text);
  }
}

}  // namespace varomel
