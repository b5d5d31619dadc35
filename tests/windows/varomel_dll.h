// Varomel.dll loaded the way a JVM loads it: LoadLibrary, then GetProcAddress of each native
// method by its exported name.
#pragma once

#include <windows.h>

#include "jni/native_methods.h"

namespace harness {

struct VaromelDll {
  HMODULE module = nullptr;
  decltype(&Java_quorlen_browser_IECertificateInterface_listDNS) listDNS = nullptr;
  decltype(&Java_quorlen_browser_IECertificateInterface_getCertificate) getCertificate = nullptr;
  decltype(&Java_quorlen_browser_IECertificateInterface_signData) signData = nullptr;
  decltype(&Java_quorlen_browser_IECertificateInterface_getPKCS12) getPKCS12 = nullptr;
  decltype(&Java_quorlen_browser_IECertificateInterface_importPKCS12) importPKCS12 = nullptr;
};

// Loads the DLL from the harness's own folder and resolves the five exports; a fatal test
// failure when any is missing.
void loadVaromel(VaromelDll* dll);
void unloadVaromel(VaromelDll* dll);

}  // namespace harness
