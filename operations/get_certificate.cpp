#include "operations/get_certificate.h"

#include "jni/arguments.h"
#include "jni/failure.h"
#include "jni/results.h"
#include "store/personal_store.h"
#include "store/selection.h"

namespace varomel {

bool copyEncodedCertificate(JNIEnv* env, PCCERT_CONTEXT certificate, void*, jbyteArray* result) {
  const jbyteArray copy =
      newByteArrayResult(env, certificate->pbCertEncoded, certificate->cbCertEncoded);
  if (copy == nullptr) {
    return false;
  }
  *result = copy;
  return true;
}

jbyteArray getCertificate(JNIEnv* env, jstring dn) {
  if (dn == nullptr) {
    throwNullArgument(env, "dn");
    return nullptr;
  }
  const HCERTSTORE store = openPersonalStore(env);
  if (store == nullptr) {
    return nullptr;
  }
  const RequestedDn requested = takeRequestedDn(env, dn);
  if (requested.units == nullptr) {
    leavePendingOrFail(env, store, general_failure::kGetCertificate);
    return nullptr;
  }
  const SelectionAction action{copyEncodedCertificate, nullptr, throwDnTextNotAllocated};
  jbyteArray result = nullptr;
  if (!selectByDN(env, store, requested, action, &result)) {
    rethrowOrFail(env, store, general_failure::kGetCertificate,
                  [&] { releaseRequestedDn(env, dn, requested); });
    return nullptr;
  }
  releaseRequestedDn(env, dn, requested);
  closePersonalStore(env, store);
  return result;
}

}  // namespace varomel
