#include "platform/nss/pkcs12_password.h"

namespace varomel::nss {

std::vector<unsigned char> bmpPassword(LPCWSTR password) {
  std::vector<unsigned char> bytes;
  for (std::size_t at = 0; password != nullptr && password[at] != 0; ++at) {
    bytes.push_back(static_cast<unsigned char>(password[at] >> 8));
    bytes.push_back(static_cast<unsigned char>(password[at] & 0xFF));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

}  // namespace varomel::nss
