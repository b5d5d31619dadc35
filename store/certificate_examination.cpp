#include "store/certificate_examination.h"

#include "jni/failure.h"
#include "jni/memory.h"

namespace varomel {

bool hasX509Encoding(PCCERT_CONTEXT certificate) {
  return (certificate->dwCertEncodingType & X509_ASN_ENCODING) != 0;
}

bool requireX509Encoding(JNIEnv* env, PCCERT_CONTEXT certificate) {
  if (hasX509Encoding(certificate)) {
    return true;
  }
  throwIOException(env, kUnknownEncoding);
  return false;
}

DnText renderSubjectDN(PCCERT_CONTEXT certificate) {
  PCERT_NAME_BLOB subject = &certificate->pCertInfo->Subject;
  const DWORD count = CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, nullptr, 0);
  const std::uint64_t capacity = std::uint64_t{count} + 2;
  DnText text{static_cast<WCHAR*>(allocateBlock(capacity, sizeof(WCHAR))), count};
  if (text.units != nullptr) {
    // A platform that writes nothing leaves the empty text, not uninitialised units.
    text.units[0] = 0;
    CertNameToStrW(X509_ASN_ENCODING, subject, CERT_X500_NAME_STR, text.units,
                   static_cast<DWORD>(capacity));
  }
  return text;
}

void releaseDnText(DnText& text) {
  freeBlock(text.units);
  text.units = nullptr;
}

void throwDnTextNotAllocated(JNIEnv* env) {
  throwOutOfMemoryError(env, "Not enough memory for a certificate's DN text.");
}

bool isWithinValidity(JNIEnv* env, const CERT_INFO* info) {
  SYSTEMTIME clock;
  GetSystemTime(&clock);
  FILETIME now;
  if (!SystemTimeToFileTime(&clock, &now)) {
    throwIOException(env, kClockNotConverted);
    return false;
  }
  if (CompareFileTime(&info->NotAfter, &now) == -1) {
    return false;
  }
  return CompareFileTime(&info->NotBefore, &now) != 1;
}

}  // namespace varomel
