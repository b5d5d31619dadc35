#include "jni/native_methods.h"
#include "operations/get_certificate.h"
#include "operations/get_pkcs12.h"
#include "operations/import_pkcs12.h"
#include "operations/list_dns.h"
#include "operations/sign_data.h"

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_quorlen_browser_IECertificateInterface_listDNS(JNIEnv* env,
                                                                                   jobject) {
  return varomel::listDNS(env);
}

JNIEXPORT jbyteArray JNICALL
Java_quorlen_browser_IECertificateInterface_getCertificate(JNIEnv* env, jobject, jstring dn) {
  return varomel::getCertificate(env, dn);
}

JNIEXPORT jbyteArray JNICALL Java_quorlen_browser_IECertificateInterface_signData(
    JNIEnv* env, jobject, jstring dn, jbyteArray data, jstring algorithm) {
  return varomel::signData(env, dn, data, algorithm);
}

JNIEXPORT jbyteArray JNICALL Java_quorlen_browser_IECertificateInterface_getPKCS12(
    JNIEnv* env, jobject, jstring dn, jcharArray password) {
  return varomel::getPKCS12(env, dn, password);
}

JNIEXPORT void JNICALL Java_quorlen_browser_IECertificateInterface_importPKCS12(
    JNIEnv* env, jobject, jbyteArray pkcs12, jcharArray password) {
  varomel::importPKCS12(env, pkcs12, password);
}

}  // extern "C"
