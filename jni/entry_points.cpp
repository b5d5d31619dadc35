#include "jni/native_methods.h"
#include "operations/get_certificate.h"
#include "operations/list_dns.h"

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_quorlen_browser_IECertificateInterface_listDNS(JNIEnv* env,
                                                                                   jobject) {
  return varomel::listDNS(env);
}

JNIEXPORT jbyteArray JNICALL
Java_quorlen_browser_IECertificateInterface_getCertificate(JNIEnv* env, jobject, jstring dn) {
  return varomel::getCertificate(env, dn);
}

}  // extern "C"
