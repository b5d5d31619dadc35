// PFXExportCertStore of one linked certificate: the size query and the export agree, and
// openssl, pk12util and Java's KeyStore each read the certificate and its key back.
#include <gtest/gtest.h>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

const WCHAR kMy[] = u"MY";
constexpr DWORD kExportFlags = EXPORT_PRIVATE_KEYS | REPORT_NO_PRIVATE_KEY;

// The packet of one certificate of the personal store, made as the library makes it.
bool exportCertificate(PCCERT_CONTEXT context, LPCWSTR password,
                       std::vector<unsigned char>* packet) {
  const HCERTSTORE memory =
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  EXPECT_TRUE(CertAddCertificateLinkToStore(memory, context, CERT_STORE_ADD_ALWAYS, nullptr));
  CRYPT_DATA_BLOB blob{0, nullptr};
  bool exported = PFXExportCertStore(memory, &blob, password, kExportFlags) == TRUE;
  if (exported) {
    const DWORD measured = blob.cbData;
    packet->assign(measured, 0);
    blob.pbData = packet->data();
    exported = PFXExportCertStore(memory, &blob, password, kExportFlags) == TRUE;
    EXPECT_EQ(blob.cbData, measured);
  }
  CertCloseStore(memory, CERT_CLOSE_STORE_FORCE_FLAG);
  return exported;
}

class Export : public ::testing::Test {
 protected:
  void SetUp() override {
    makeCertificate("", "/CN=Exported/O=Org");
    runOrFail("openssl pkcs12 -export -in cert.pem -inkey key.pem -out in.p12 -passout pass:pw");
    const std::u16string password = u"pw";
    ASSERT_TRUE(importIntoPersonalStore(pathInHome("in.p12"), password.c_str())) << lastErrorText();
    store_ = CertOpenSystemStoreW(0, kMy);
    context_ = findInPersonalStore(store_, pathInHome("cert.pem"));
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { CertCloseStore(store_, 0); }

  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT context_ = nullptr;
};

TEST_F(Export, OpensslReadsTheCertificateAndTheSameKey) {
  std::vector<unsigned char> packet;
  const std::u16string password = u"out secret";
  ASSERT_TRUE(exportCertificate(context_, password.c_str(), &packet)) << lastErrorText();
  writeBytes(pathInHome("out.p12"), packet);
  const std::string info =
      runOrFail("openssl pkcs12 -in out.p12 -info -noout -passin 'pass:out secret'");
  EXPECT_NE(info.find("MAC: sha1"), std::string::npos) << info;
  EXPECT_NE(info.find("Shrouded Keybag"), std::string::npos) << info;
  EXPECT_NE(info.find("PKCS7 Encrypted data"), std::string::npos) << info;
  runOrFail("openssl pkcs12 -in out.p12 -nodes -passin 'pass:out secret' -out both.pem");
  EXPECT_EQ(runOrFail("openssl pkey -in both.pem -pubout"),
            runOrFail("openssl pkey -in key.pem -pubout"));
  EXPECT_EQ(runOrFail("openssl x509 -in both.pem -outform DER | xxd -p"),
            runOrFail("xxd -p cert.der"));
  EXPECT_NE(run("openssl pkcs12 -in out.p12 -nodes -passin pass:wrong").status, 0);
}

TEST_F(Export, Pk12utilAndJavaKeyStoreReadIt) {
  std::vector<unsigned char> packet;
  const std::u16string password = u"javasecret";
  ASSERT_TRUE(exportCertificate(context_, password.c_str(), &packet)) << lastErrorText();
  writeBytes(pathInHome("out.p12"), packet);
  const std::string listed = runOrFail("pk12util -l out.p12 -W javasecret");
  EXPECT_NE(listed.find("Key(shrouded)"), std::string::npos) << listed;
  const std::string java =
      runOrFail(std::string("java ") + VAROMEL_KEYSTORE_CHECK + " out.p12 javasecret");
  EXPECT_EQ(java, "key entry: O=Org,CN=Exported\n");
}

TEST_F(Export, SmallBufferIsRefusedWithTheSize) {
  const HCERTSTORE memory =
      CertOpenStore(CERT_STORE_PROV_MEMORY, 0, 0, CERT_STORE_CREATE_NEW_FLAG, nullptr);
  ASSERT_TRUE(CertAddCertificateLinkToStore(memory, context_, CERT_STORE_ADD_ALWAYS, nullptr));
  CRYPT_DATA_BLOB blob{0, nullptr};
  ASSERT_TRUE(PFXExportCertStore(memory, &blob, u"pw", kExportFlags));
  const DWORD measured = blob.cbData;
  std::vector<unsigned char> small(10);
  blob = {10, small.data()};
  EXPECT_FALSE(PFXExportCertStore(memory, &blob, u"pw", kExportFlags));
  EXPECT_EQ(blob.cbData, measured);
  EXPECT_EQ(GetLastError(), 0xEAu);
  CertCloseStore(memory, CERT_CLOSE_STORE_FORCE_FLAG);
}

TEST(ExportWithoutKey, CertificateWithoutItsKeyIsRefused) {
  makeCertificate("", "/CN=No Key");
  runOrFail(
      "mkdir -p .pki/nssdb && certutil -N -d sql:.pki/nssdb --empty-password && "
      "certutil -A -d sql:.pki/nssdb -n nokey -t ,, -i cert.pem");
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  const PCCERT_CONTEXT context = findInPersonalStore(store, pathInHome("cert.pem"));
  ASSERT_NE(context, nullptr);
  std::vector<unsigned char> packet;
  EXPECT_FALSE(exportCertificate(context, u"pw", &packet));
  EXPECT_EQ(GetLastError(), 0x8009200Bu);
  CertCloseStore(store, 0);
}

}  // namespace
}  // namespace varomel::nss::testing
