#include "tests/windows/varomel_dll.h"

#include <gtest/gtest.h>

namespace harness {

namespace {

template <typename Function>
void resolve(HMODULE module, const char* name, Function* function) {
  const FARPROC address = GetProcAddress(module, name);
  ASSERT_NE(address, nullptr) << "Varomel.dll does not export " << name;
  // Through the one function type every other converts from without a warning.
  *function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(address));
}

}  // namespace

void loadVaromel(VaromelDll* dll) {
  // Fails too when the entry routine refuses the process attach.
  dll->module = LoadLibraryW(L"Varomel.dll");
  ASSERT_NE(dll->module, nullptr) << "LoadLibrary failed with error " << GetLastError();
  ASSERT_NO_FATAL_FAILURE(
      resolve(dll->module, "Java_quorlen_browser_IECertificateInterface_listDNS", &dll->listDNS));
  ASSERT_NO_FATAL_FAILURE(resolve(dll->module,
                                  "Java_quorlen_browser_IECertificateInterface_getCertificate",
                                  &dll->getCertificate));
  ASSERT_NO_FATAL_FAILURE(
      resolve(dll->module, "Java_quorlen_browser_IECertificateInterface_signData", &dll->signData));
  ASSERT_NO_FATAL_FAILURE(resolve(
      dll->module, "Java_quorlen_browser_IECertificateInterface_getPKCS12", &dll->getPKCS12));
  ASSERT_NO_FATAL_FAILURE(resolve(
      dll->module, "Java_quorlen_browser_IECertificateInterface_importPKCS12", &dll->importPKCS12));
}

void unloadVaromel(VaromelDll* dll) {
  if (dll->module != nullptr) {
    EXPECT_TRUE(FreeLibrary(dll->module));
  }
  *dll = VaromelDll{};
}

}  // namespace harness
