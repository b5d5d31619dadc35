#include "store/personal_store.h"

#include "jni/failure.h"

namespace varomel {

HCERTSTORE openPersonalStore(JNIEnv* env) {
  const WCHAR personalStoreName[] = {'M', 'Y', 0};
  const HCERTSTORE store = CertOpenSystemStoreW(0, personalStoreName);
  if (store == nullptr) {
    throwIOException(env, kStoreDidNotOpen);
  }
  return store;
}

void closePersonalStore(JNIEnv* env, HCERTSTORE store) {
  if (!CertCloseStore(store, 0)) {
    throwIOException(env, kStoreDidNotClose);
  }
}

void forceCloseStore(HCERTSTORE store) {
  if (store != nullptr) {
    CertCloseStore(store, CERT_CLOSE_STORE_FORCE_FLAG);
  }
}

}  // namespace varomel
