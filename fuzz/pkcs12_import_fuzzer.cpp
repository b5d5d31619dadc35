// PFXImportCertStore over arbitrary bytes with a handful of passwords, on a database in a
// temporary HOME made under $TMPDIR
// before the first call.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace {

const WCHAR* const kPasswords[] = {nullptr, u"", u"password", u"p\u00e4ssw\u00f6rd \u20ac"};

void importWith(const uint8_t* data, size_t size, LPCWSTR password) {
  std::vector<BYTE> bytes(data, data + size);
  CRYPT_DATA_BLOB packet{static_cast<DWORD>(bytes.size()), bytes.empty() ? nullptr : bytes.data()};
  HCERTSTORE store = PFXImportCertStore(&packet, password, CRYPT_EXPORTABLE | CRYPT_USER_KEYSET);
  if (store != nullptr) {
    for (PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr);
         certificate != nullptr; certificate = CertEnumCertificatesInStore(store, certificate)) {
    }
    CertCloseStore(store, 0);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  const char* temporary = std::getenv("TMPDIR");
  std::string home = std::string(temporary != nullptr ? temporary : "/tmp") + "/home-XXXXXX";
  if (mkdtemp(home.data()) == nullptr || setenv("HOME", home.c_str(), 1) != 0) {
    std::abort();
  }
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  for (LPCWSTR password : kPasswords) {
    importWith(data, size, password);
  }
  return 0;
}
