#include "tests/nss/tools.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace varomel::nss::testing {

namespace {

// A HOME of its own for the test process, made before any test opens the database.
class TemporaryHome : public ::testing::Environment {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/varomel-nss-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory_ = pattern;
    setenv("HOME", pattern, 1);
  }
  void TearDown() override { std::filesystem::remove_all(directory_); }

 private:
  std::string directory_;
};

[[maybe_unused]] const auto* const kHome = ::testing::AddGlobalTestEnvironment(new TemporaryHome);

}  // namespace

std::string home() { return std::getenv("HOME"); }

std::string pathInHome(const std::string& name) { return home() + "/" + name; }

CommandResult run(const std::string& command) {
  const std::string full = "cd '" + home() + "' && (" + command + ") 2>&1";
  FILE* pipe = popen(full.c_str(), "r");
  if (pipe == nullptr) {
    return {-1, ""};
  }
  std::string output;
  std::array<char, 4096> buffer{};
  while (std::fgets(buffer.data(), static_cast<int>(buffer.size()), pipe) != nullptr) {
    output += buffer.data();
  }
  const int status = pclose(pipe);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

std::string runOrFail(const std::string& command) {
  const CommandResult result = run(command);
  EXPECT_EQ(result.status, 0) << command << "\n" << result.output;
  return result.output;
}

namespace {

std::string inHome(const std::string& path) { return path[0] == '/' ? path : pathInHome(path); }

}  // namespace

std::vector<unsigned char> readBytes(const std::string& path) {
  std::ifstream in(inHome(path), std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
  std::ofstream out(inHome(path), std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::u16string utf16(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

std::string narrow(const std::u16string& text) {
  std::string out;
  for (const char16_t unit : text) {
    out.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  }
  return out;
}

void makeCertificate(const std::string& stem, const std::string& subject,
                     const std::string& extra) {
  runOrFail("openssl req -x509 -newkey rsa:2048 -nodes -keyout " + stem + "key.pem -out " + stem +
            "cert.pem -subj '" + subject + "' " + (extra.empty() ? "-days 30" : extra));
  runOrFail("openssl x509 -in " + stem + "cert.pem -outform DER -out " + stem + "cert.der");
}

PCCERT_CONTEXT findInPersonalStore(HCERTSTORE store, const std::string& pemPath) {
  const std::string derPath = pemPath + ".der";
  runOrFail("openssl x509 -in " + pemPath + " -outform DER -out " + derPath);
  const std::vector<unsigned char> der = readBytes(derPath);
  for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(store, nullptr); context != nullptr;
       context = CertEnumCertificatesInStore(store, context)) {
    if (std::vector<unsigned char>(context->pbCertEncoded,
                                   context->pbCertEncoded + context->cbCertEncoded) == der) {
      return context;
    }
  }
  return nullptr;
}

bool importIntoPersonalStore(const std::string& packetPath, LPCWSTR password) {
  std::vector<unsigned char> packet = readBytes(packetPath);
  CRYPT_DATA_BLOB blob{static_cast<DWORD>(packet.size()), packet.data()};
  const HCERTSTORE imported = PFXImportCertStore(&blob, password, 0x1003);
  if (imported == nullptr) {
    return false;
  }
  const WCHAR my[] = u"MY";
  const HCERTSTORE personal = CertOpenSystemStoreW(0, my);
  bool added = personal != nullptr;
  for (PCCERT_CONTEXT context = CertEnumCertificatesInStore(imported, nullptr);
       added && context != nullptr; context = CertEnumCertificatesInStore(imported, context)) {
    added = CertAddCertificateContextToStore(personal, context, CERT_STORE_ADD_REPLACE_EXISTING,
                                             nullptr) == TRUE;
  }
  CertCloseStore(personal, 0);
  CertCloseStore(imported, 0);
  return added;
}

std::string lastErrorText() {
  const DWORD code = GetLastError();
  char* text = nullptr;
  if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM, nullptr, code,
                     0x400, reinterpret_cast<LPSTR>(&text), 0, nullptr) == 0) {
    return "no text for error " + std::to_string(code);
  }
  std::string copy = text;
  LocalFree(text);
  return copy;
}

std::vector<unsigned char> encodeName(const std::vector<Rdn>& rdns) {
  std::ofstream config(pathInHome("name.cnf"));
  config << "asn1=SEQUENCE:name\n[name]\n";
  for (std::size_t r = 0; r < rdns.size(); ++r) {
    config << "r" << r << "=SET:r" << r << "\n";
  }
  for (std::size_t r = 0; r < rdns.size(); ++r) {
    config << "[r" << r << "]\n";
    for (std::size_t a = 0; a < rdns[r].size(); ++a) {
      config << "a" << a << "=SEQUENCE:r" << r << "a" << a << "\n";
    }
    for (std::size_t a = 0; a < rdns[r].size(); ++a) {
      config << "[r" << r << "a" << a << "]\noid=OID:" << rdns[r][a].oid
             << "\nvalue=" << rdns[r][a].value << "\n";
    }
  }
  config.close();
  runOrFail("openssl asn1parse -genconf name.cnf -out name.der -noout");
  return readBytes(pathInHome("name.der"));
}

std::u16string nameText(std::vector<unsigned char> der) {
  CERT_NAME_BLOB blob{static_cast<DWORD>(der.size()), der.data()};
  const DWORD count = CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, nullptr, 0);
  std::u16string text(count, u'?');
  EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, text.data(), count),
            count);
  EXPECT_EQ(text.back(), u'\0');
  text.pop_back();
  return text;
}

}  // namespace varomel::nss::testing
