// Taking Java arguments and giving them back.
#pragma once

#include "platform/jni_api.h"
#include "store/selection.h"

namespace varomel {

// The units of dn; null units with the JVM's exception pending when they cannot be had.
RequestedDn takeRequestedDn(JNIEnv* env, jstring dn);
void releaseRequestedDn(JNIEnv* env, jstring dn, const RequestedDn& requested);

// The elements of a byte[] and their count; null elements with the JVM's exception pending when
// they cannot be had.
struct ByteElements {
  jbyte* elements;
  jsize length;
};
ByteElements takeByteElements(JNIEnv* env, jbyteArray array);
// Gives the elements back with mode 0; elements never obtained are skipped.
void releaseByteElements(JNIEnv* env, jbyteArray array, const ByteElements& bytes);

}  // namespace varomel
