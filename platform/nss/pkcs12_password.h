// A PKCS #12 password as NSS takes it.
#pragma once

#include <vector>

#include "platform/windows_declarations.h"

namespace varomel::nss {

// The password as a BMPString with its two terminating zero bytes, as PKCS #12 keys derive from.
std::vector<unsigned char> bmpPassword(LPCWSTR password);

// Lets NSS turn BMPString passwords into UTF-8 and back, which PBES2 packets need.
void installPasswordConversion();

}  // namespace varomel::nss
