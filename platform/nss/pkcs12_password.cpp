#include "platform/nss/pkcs12_password.h"

#include <secport.h>

#include <string.h>

#include <algorithm>

namespace varomel::nss {

namespace {

// NSS asks for swapped bytes when the UCS-2 it holds is in the other order than its converter
// reads; the converter itself swaps nothing.
PRBool convertUcs2(PRBool toUnicode, unsigned char* in, unsigned int inLength, unsigned char* out,
                   unsigned int outCapacity, unsigned int* outLength, PRBool swapBytes) {
  std::vector<unsigned char> input(in, in + inLength);
  if (!toUnicode && swapBytes) {
    for (std::size_t i = 0; i + 1 < input.size(); i += 2) {
      std::swap(input[i], input[i + 1]);
    }
  }
  const PRBool converted =
      PORT_UCS2_UTF8Conversion(toUnicode, input.data(), inLength, out, outCapacity, outLength);
  wipe(&input);
  return converted;
}

}  // namespace

void wipe(std::vector<unsigned char>* bytes) {
  if (!bytes->empty()) {
    explicit_bzero(bytes->data(), bytes->size());
  }
  bytes->clear();
}

void wipe(std::string* text) {
  if (!text->empty()) {
    explicit_bzero(text->data(), text->size());
  }
  text->clear();
}

void installPasswordConversion() { PORT_SetUCS2_ASCIIConversionFunction(convertUcs2); }

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
