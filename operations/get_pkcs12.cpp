#include "operations/get_pkcs12.h"

#include "jni/arguments.h"
#include "jni/failure.h"
#include "jni/memory.h"
#include "jni/password_copy.h"
#include "jni/results.h"
#include "store/personal_store.h"
#include "store/selection.h"

namespace varomel {

namespace {

constexpr char kNoMemoryStore[] = "Could not create new certificate store.\n";
constexpr char kNotLinked[] = "Could not copy certificate and key to new certificate store.\n";
constexpr char kNoPfxSize[] = "Could not calculate needed size of PFX object.\n";
constexpr char kNotExported[] = "Could not export PFX object.\n";
constexpr DWORD kExportFlags = EXPORT_PRIVATE_KEYS | REPORT_NO_PRIVATE_KEY;

}  // namespace

bool exportToPfx(JNIEnv* env, PCCERT_CONTEXT certificate, void* state, jbyteArray* result) {
  const LPCWSTR password = static_cast<const PasswordCopy*>(state)->units;
  // The memory store holds only a link, so the packet holds this certificate and its key alone.
  const HCERTSTORE memory =
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  if (memory == nullptr) {
    throwIOException(env, kNoMemoryStore);
    return false;
  }
  if (!CertAddCertificateLinkToStore(memory, certificate, CERT_STORE_ADD_ALWAYS, nullptr)) {
    throwIOException(env, kNotLinked);
    forceCloseStore(memory);
    return false;
  }
  CRYPT_DATA_BLOB pfx{0, nullptr};
  if (!PFXExportCertStore(memory, &pfx, password, kExportFlags)) {
    throwIOException(env, kNoPfxSize);
    forceCloseStore(memory);
    return false;
  }
  pfx.pbData = static_cast<BYTE*>(allocateBlock(pfx.cbData, 1));
  if (pfx.pbData == nullptr) {
    throwOutOfMemoryError(env, "Not enough memory for the PKCS#12 packet.");
    forceCloseStore(memory);
    return false;
  }
  if (!PFXExportCertStore(memory, &pfx, password, kExportFlags)) {
    throwIOException(env, kNotExported);
    forceCloseStore(memory);
    freeBlock(pfx.pbData);
    return false;
  }
  forceCloseStore(memory);
  const jbyteArray array = newByteArrayResult(env, pfx.pbData, pfx.cbData);
  freeBlock(pfx.pbData);
  if (array == nullptr) {
    return false;
  }
  *result = array;
  return true;
}

jbyteArray getPKCS12(JNIEnv* env, jstring dn, jcharArray password) {
  if (dn == nullptr || password == nullptr) {
    throwNullArgument(env, dn == nullptr ? "dn" : "password");
    return nullptr;
  }
  const HCERTSTORE store = openPersonalStore(env);
  if (store == nullptr) {
    return nullptr;
  }
  const RequestedDn requested = takeRequestedDn(env, dn);
  if (requested.units == nullptr) {
    leavePendingOrFail(env, store, general_failure::kGetPkcs12);
    return nullptr;
  }
  PasswordCopy copy{nullptr, 0};
  const SelectionAction action{exportToPfx, &copy, throwDnTextNotAllocated};
  jbyteArray result = nullptr;
  if (!makePasswordCopy(env, password, &copy) ||
      !selectByDN(env, store, requested, action, &result)) {
    rethrowOrFail(env, store, general_failure::kGetPkcs12, [&] {
      wipeAndFreePasswordCopy(copy);
      releaseRequestedDn(env, dn, requested);
    });
    return nullptr;
  }
  wipeAndFreePasswordCopy(copy);
  releaseRequestedDn(env, dn, requested);
  closePersonalStore(env, store);
  return result;
}

}  // namespace varomel
