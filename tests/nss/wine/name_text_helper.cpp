// Runs under wine64: for each line of hexadecimal DER names on standard input, prints the
// X.500 text crypt32 gives, as hexadecimal UTF-16 units (four digits each), one line per name.
#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::vector<BYTE> bytesOfHex(const std::string& hex) {
  std::vector<BYTE> bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
    bytes.push_back(static_cast<BYTE>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  }
  return bytes;
}

void printText(std::vector<BYTE> name) {
  CERT_NAME_BLOB blob{static_cast<DWORD>(name.size()), name.data()};
  const DWORD count = CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0);
  std::vector<WCHAR> text(count + 1, 0);
  CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text.data(), count);
  for (DWORD i = 0; i + 1 < count; ++i) {
    std::printf("%04X", static_cast<unsigned>(text[i]));
  }
  std::printf("\n");
}

}  // namespace

int main() {
  char line[8192];
  while (std::fgets(line, sizeof line, stdin) != nullptr) {
    std::string hex(line);
    while (!hex.empty() && (hex.back() == '\n' || hex.back() == '\r')) {
      hex.pop_back();
    }
    printText(bytesOfHex(hex));
  }
  return 0;
}
