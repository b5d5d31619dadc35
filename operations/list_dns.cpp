#include "operations/list_dns.h"

#include "jni/failure.h"
#include "jni/results.h"
#include "store/certificate_examination.h"
#include "store/personal_store.h"

namespace varomel {

namespace {

// First walk: how many certificates are valid now. No encoding test, no DN rendered.
bool countValidCertificates(JNIEnv* env, HCERTSTORE store, jsize* count) {
  for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr);
       certificate != nullptr; certificate = CertEnumCertificatesInStore(store, certificate)) {
    if (isWithinValidity(env, certificate->pCertInfo)) {
      ++*count;
    } else if (env->ExceptionCheck()) {
      return false;
    }
  }
  return true;
}

bool storeDn(JNIEnv* env, PCCERT_CONTEXT certificate, jobjectArray result, jsize index) {
  DnText text = renderSubjectDN(certificate);
  if (text.units == nullptr) {
    throwDnTextNotAllocated(env);
    return false;
  }
  const jstring dn = newStringOfUnits(env, text.units, text.count);
  releaseDnText(text);
  return dn != nullptr && storeArrayElement(env, result, index, dn);
}

// Second walk: the DN of each certificate valid now, at the next index. The clock is read anew,
// so it may find more certificates than were counted; the JVM then refuses the extra element.
bool fillWithDns(JNIEnv* env, HCERTSTORE store, jobjectArray result) {
  jsize index = 0;
  for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr);
       certificate != nullptr; certificate = CertEnumCertificatesInStore(store, certificate)) {
    if (!requireX509Encoding(env, certificate)) {
      return false;
    }
    if (!isWithinValidity(env, certificate->pCertInfo)) {
      if (env->ExceptionCheck()) {
        return false;
      }
      continue;
    }
    if (!storeDn(env, certificate, result, index)) {
      return false;
    }
    ++index;
  }
  return true;
}

}  // namespace

jobjectArray listDNS(JNIEnv* env) {
  const HCERTSTORE store = openPersonalStore(env);
  if (store == nullptr) {
    return nullptr;
  }
  jsize count = 0;
  jobjectArray result = nullptr;
  if (!countValidCertificates(env, store, &count) ||
      (result = newEmptyStringArray(env, count)) == nullptr || !fillWithDns(env, store, result)) {
    leavePendingOrFail(env, store, general_failure::kListDns);
    return nullptr;
  }
  closePersonalStore(env, store);
  return result;
}

}  // namespace varomel
