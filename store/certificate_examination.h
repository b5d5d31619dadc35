// What the library reads of one certificate: its encoding, its subject DN text, its validity.
#pragma once

#include "platform/jni_api.h"
#include "platform/windows_api.h"

namespace varomel {

constexpr char kUnknownEncoding[] = "Don't understand certificate encoding!";
constexpr char kClockNotConverted[] = "Could not convert the current time.";

bool hasX509Encoding(PCCERT_CONTEXT certificate);

// hasX509Encoding, throwing "Don't understand certificate encoding!" when it answers false.
bool requireX509Encoding(JNIEnv* env, PCCERT_CONTEXT certificate);

// A subject name as the platform's X.500 text. count is the platform's count of units,
// terminator included; the buffer holds count + 2 units.
struct DnText {
  WCHAR* units;
  DWORD count;
};

// The certificate's DN text; its units are null when the buffer could not be allocated.
DnText renderSubjectDN(PCCERT_CONTEXT certificate);
void releaseDnText(DnText& text);

// Raises the JVM's OutOfMemoryError for a DN text that could not be allocated.
void throwDnTextNotAllocated(JNIEnv* env);

// True when NotBefore <= now <= NotAfter, the clock read anew. False also when the clock failed
// to convert, with "Could not convert the current time." thrown: callers ask ExceptionCheck.
bool isWithinValidity(JNIEnv* env, const CERT_INFO* info);

}  // namespace varomel
