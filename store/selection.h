// Selection of the valid personal certificates whose DN text equals a requested DN.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"
#include "store/certificate_examination.h"

namespace varomel {

// The units of a Java dn argument up to its first U+0000 or its end, whichever comes first.
struct RequestedDn {
  const jchar* units;
  jsize length;
};

// Exact, unit by unit; the DN text counts up to its first U+0000.
bool dnEquals(const DnText& text, const RequestedDn& requested);

// What an operation does with each selected certificate. act either stores a new result in
// *result and answers true, or leaves an exception pending and answers false.
// reportDnAllocationFailure raises the operation's exception for a DN text that could not be
// allocated.
struct SelectionAction {
  bool (*act)(JNIEnv* env, PCCERT_CONTEXT certificate, void* state, jbyteArray* result);
  void* state;
  void (*reportDnAllocationFailure)(JNIEnv* env);
};

// Walks the whole store in its order, running the action on every valid certificate with the
// requested DN; the last success stays in *result. False means the walk failed with an exception
// pending and the operation is to take its failure exit.
bool selectByDN(JNIEnv* env, HCERTSTORE store, const RequestedDn& requested,
                const SelectionAction& action, jbyteArray* result);

}  // namespace varomel
