#include "store/selection.h"

#include <cstdint>

namespace varomel {

namespace {

jsize textLength(const DnText& text) {
  const std::uint64_t capacity = std::uint64_t{text.count} + 2;
  jsize length = 0;
  while (static_cast<std::uint64_t>(length) < capacity && text.units[length] != 0) {
    ++length;
  }
  return length;
}

}  // namespace

bool dnEquals(const DnText& text, const RequestedDn& requested) {
  if (textLength(text) != requested.length) {
    return false;
  }
  for (jsize i = 0; i < requested.length; ++i) {
    if (static_cast<jchar>(text.units[i]) != requested.units[i]) {
      return false;
    }
  }
  return true;
}

bool selectByDN(JNIEnv* env, HCERTSTORE store, const RequestedDn& requested,
                const SelectionAction& action, jbyteArray* result) {
  for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr);
       certificate != nullptr; certificate = CertEnumCertificatesInStore(store, certificate)) {
    if (!requireX509Encoding(env, certificate)) {
      return false;
    }
    DnText text = renderSubjectDN(certificate);
    if (text.units == nullptr) {
      action.reportDnAllocationFailure(env);
      return false;
    }
    if (!isWithinValidity(env, certificate->pCertInfo)) {
      const bool failed = env->ExceptionCheck();
      releaseDnText(text);
      if (failed) {
        return false;
      }
      continue;
    }
    const bool selected = dnEquals(text, requested);
    releaseDnText(text);
    if (selected && !action.act(env, certificate, action.state, result)) {
      return false;
    }
  }
  return true;
}

}  // namespace varomel
