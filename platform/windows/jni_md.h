// The machine-dependent part of jni.h for the Windows DLLs: exports, the calling convention the
// JVM uses on Windows, and the integer widths JNI fixes.
#ifndef VAROMEL_WINDOWS_JNI_MD_H
#define VAROMEL_WINDOWS_JNI_MD_H

#define JNIEXPORT __declspec(dllexport)
#define JNIIMPORT __declspec(dllimport)
#define JNICALL __stdcall

typedef int jint;
typedef long long jlong;
typedef signed char jbyte;

#endif
