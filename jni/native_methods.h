// The native methods of quorlen.browser.IECertificateInterface, the library's only exports.
#pragma once

#include "platform/jni_api.h"

extern "C" {

JNIEXPORT jobjectArray JNICALL Java_quorlen_browser_IECertificateInterface_listDNS(JNIEnv* env,
                                                                                   jobject self);

JNIEXPORT jbyteArray JNICALL
Java_quorlen_browser_IECertificateInterface_getCertificate(JNIEnv* env, jobject self, jstring dn);

}  // extern "C"
