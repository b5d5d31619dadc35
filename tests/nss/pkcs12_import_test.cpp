// PFXImportCertStore on packets from openssl, keytool and pk12util; the key lands in the
// database tied to its certificate.
#include <gtest/gtest.h>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

const WCHAR kMy[] = u"MY";

struct PacketMaker {
  const char* label;
  const char* command;       // writes packet.p12 from cert.pem/key.pem (or on its own)
  const char16_t* password;  // null: the library is given no password
};

const char kPk12utilExport[] =
    "mkdir other && certutil -N -d sql:other --empty-password && "
    "openssl pkcs12 -export -in cert.pem -inkey key.pem -name other -out in.p12 -passout pass:pw "
    "&& "
    "pk12util -i in.p12 -d sql:other -W pw && pk12util -o packet.p12 -n other -d sql:other -W "
    "pk12secret";

const PacketMaker kMakers[] = {
    {"openssl default",
     "openssl pkcs12 -export -in cert.pem -inkey key.pem -out packet.p12 -passout pass:secret",
     u"secret"},
    {"openssl legacy",
     "openssl pkcs12 -export -legacy -in cert.pem -inkey key.pem -out packet.p12 -passout "
     "pass:secret",
     u"secret"},
    {"openssl empty password, none given",
     "openssl pkcs12 -export -in cert.pem -inkey key.pem -out packet.p12 -passout pass:", nullptr},
    {"openssl legacy empty password, none given",
     "openssl pkcs12 -export -legacy -in cert.pem -inkey key.pem -out packet.p12 -passout pass:",
     nullptr},
    {"openssl non-ASCII password",
     "openssl pkcs12 -export -in cert.pem -inkey key.pem -out packet.p12 -passout "
     "'pass:gr\xC3\xBC\xC3\x9F'",
     u"gr\u00FC\u00DF"},
    {"keytool",
     "openssl pkcs12 -export -in cert.pem -inkey key.pem -name k -out in.p12 -passout "
     "pass:pw123456 && "
     "keytool -importkeystore -srckeystore in.p12 -srcstoretype PKCS12 -srcstorepass pw123456 "
     "-destkeystore packet.p12 -deststoretype PKCS12 -deststorepass keysecret -noprompt",
     u"keysecret"},
    {"pk12util", kPk12utilExport, u"pk12secret"},
};

TEST(Pkcs12Import, KeyAndCertificateArriveTogetherFromEveryMaker) {
  for (const PacketMaker& maker : kMakers) {
    SCOPED_TRACE(maker.label);
    run("rm -rf other packet.p12 in.p12");
    makeCertificate("", std::string("/CN=") + maker.label);
    runOrFail(maker.command);
    ASSERT_TRUE(importIntoPersonalStore(pathInHome("packet.p12"), maker.password))
        << lastErrorText();
    const HCERTSTORE personal = CertOpenSystemStoreW(0, kMy);
    const PCCERT_CONTEXT context = findInPersonalStore(personal, pathInHome("cert.pem"));
    ASSERT_NE(context, nullptr);
    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
    DWORD keySpec = 0;
    BOOL mustRelease = FALSE;
    EXPECT_EQ(CryptAcquireCertificatePrivateKey(context, 0, nullptr, &key, &keySpec, &mustRelease),
              TRUE)
        << lastErrorText();
    EXPECT_EQ(keySpec, AT_KEYEXCHANGE);
    EXPECT_EQ(mustRelease, TRUE);
    CryptReleaseContext(key, 0);
    CertCloseStore(personal, 0);
  }
}

TEST(Pkcs12Import, ReturnsTheCertificatesOfThePacket) {
  makeCertificate("ca", "/CN=Chain CA");
  runOrFail(
      "openssl req -newkey rsa:2048 -nodes -keyout key.pem -subj /CN=Leaf -out leaf.csr && "
      "openssl x509 -req -in leaf.csr -CA cacert.pem -CAkey cakey.pem -CAcreateserial "
      "-out cert.pem -days 5 && openssl pkcs12 -export -in cert.pem -inkey key.pem "
      "-certfile cacert.pem -out packet.p12 -passout pass:pw");
  std::vector<unsigned char> packet = readBytes(pathInHome("packet.p12"));
  CRYPT_DATA_BLOB blob{static_cast<DWORD>(packet.size()), packet.data()};
  const std::u16string password = u"pw";
  const HCERTSTORE imported = PFXImportCertStore(&blob, password.c_str(), 0x1003);
  ASSERT_NE(imported, nullptr) << lastErrorText();
  EXPECT_NE(findInPersonalStore(imported, pathInHome("cert.pem")), nullptr);
  EXPECT_NE(findInPersonalStore(imported, pathInHome("cacert.pem")), nullptr);
  CertCloseStore(imported, 0);
}

struct Refusal {
  const char* label;
  std::size_t keptBytes;  // 0: the whole packet
  const char16_t* password;
  DWORD code;
  const char* textPart;
};

TEST(Pkcs12Import, RefusalsSayWhatWentWrong) {
  makeCertificate("", "/CN=Refused");
  runOrFail(
      "openssl pkcs12 -export -in cert.pem -inkey key.pem -out packet.p12 -passout pass:right");
  const Refusal refusals[] = {
      {"wrong password", 0, u"wrong", 0x56, "password is not correct"},
      {"no password for a protected packet", 0, nullptr, 0x56, "password is not correct"},
      {"damaged packet", 40, u"right", 0x80090005, "damaged"},
  };
  for (const Refusal& refusal : refusals) {
    SCOPED_TRACE(refusal.label);
    std::vector<unsigned char> packet = readBytes(pathInHome("packet.p12"));
    if (refusal.keptBytes != 0) {
      packet.resize(refusal.keptBytes);
    }
    CRYPT_DATA_BLOB blob{static_cast<DWORD>(packet.size()), packet.data()};
    EXPECT_EQ(PFXImportCertStore(&blob, refusal.password, 0x1003), nullptr);
    EXPECT_EQ(GetLastError(), refusal.code);
    const std::string text = lastErrorText();
    EXPECT_NE(text.find(refusal.textPart), std::string::npos) << text;
  }
  const std::string keys = run("certutil -K -d sql:$HOME/.pki/nssdb </dev/null").output;
  EXPECT_EQ(keys.find("Refused"), std::string::npos) << keys;
}

TEST(Pkcs12Import, GarbageIsADamagedPacket) {
  std::vector<unsigned char> garbage(300, 0x5A);
  CRYPT_DATA_BLOB blob{static_cast<DWORD>(garbage.size()), garbage.data()};
  EXPECT_EQ(PFXImportCertStore(&blob, u"pw", 0x1003), nullptr);
  EXPECT_EQ(GetLastError(), 0x80090005u) << lastErrorText();
}

}  // namespace
}  // namespace varomel::nss::testing
