// A PKCS #12 password as NSS takes it.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_declarations.h"

namespace varomel::nss {

// The password as a BMPString with its two terminating zero bytes, as PKCS #12 keys derive from.
std::vector<unsigned char> bmpPassword(LPCWSTR password);

// Overwrites a password copy before its memory goes back to the heap.
void wipe(std::vector<unsigned char>* bytes);
void wipe(std::string* text);

// Lets NSS turn BMPString passwords into UTF-8 and back, which PBES2 packets need.
void installPasswordConversion();

}  // namespace varomel::nss
