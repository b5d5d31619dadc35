// The native methods of quorlen.browser.IECertificateInterface, the library's only exports.
#pragma once

#include "platform/jni_api.h"

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_quorlen_browser_IECertificateInterface_listDNS(JNIEnv* env,
                                                                                   jobject self);

JNIEXPORT jbyteArray JNICALL
Java_quorlen_browser_IECertificateInterface_getCertificate(JNIEnv* env, jobject self, jstring dn);

JNIEXPORT jbyteArray JNICALL Java_quorlen_browser_IECertificateInterface_signData(
    JNIEnv* env, jobject self, jstring dn, jbyteArray data, jstring algorithm);

JNIEXPORT jbyteArray JNICALL Java_quorlen_browser_IECertificateInterface_getPKCS12(
    JNIEnv* env, jobject self, jstring dn, jcharArray password);

JNIEXPORT void JNICALL Java_quorlen_browser_IECertificateInterface_importPKCS12(
    JNIEnv* env, jobject self, jbyteArray pkcs12, jcharArray password);

}  // extern "C"
