// Signatures made through the database's key, reversed to the usual byte order and checked by
// openssl: MD5 and SHA-1 by dgst -verify, MD4 by recovering the DigestInfo.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

const WCHAR kMy[] = u"MY";

class Signing : public ::testing::Test {
 protected:
  void SetUp() override {
    makeCertificate("", "/CN=Signer");
    runOrFail(
        "openssl pkcs12 -export -in cert.pem -inkey key.pem -out p.p12 -passout pass:pw && "
        "openssl pkey -in key.pem -pubout -out public.pem");
    const std::u16string password = u"pw";
    ASSERT_TRUE(importIntoPersonalStore(pathInHome("p.p12"), password.c_str())) << lastErrorText();
    store_ = CertOpenSystemStoreW(0, kMy);
    context_ = findInPersonalStore(store_, pathInHome("cert.pem"));
    ASSERT_NE(context_, nullptr);
  }
  void TearDown() override { CertCloseStore(store_, 0); }

  // The signature as Windows gives it: least significant byte first.
  std::vector<unsigned char> sign(ALG_ID algorithm, const std::string& data) {
    HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
    DWORD keySpec = 0;
    BOOL mustRelease = FALSE;
    EXPECT_TRUE(
        CryptAcquireCertificatePrivateKey(context_, 0, nullptr, &key, &keySpec, &mustRelease));
    HCRYPTHASH hash = 0;
    EXPECT_TRUE(CryptCreateHash(key, algorithm, 0, 0, &hash));
    EXPECT_TRUE(CryptHashData(hash, reinterpret_cast<const BYTE*>(data.data()),
                              static_cast<DWORD>(data.size()), 0));
    DWORD size = 0;
    EXPECT_TRUE(CryptSignHashW(hash, keySpec, nullptr, 0, nullptr, &size));
    EXPECT_EQ(size, 256u);
    std::vector<unsigned char> signature(size);
    EXPECT_TRUE(CryptSignHashW(hash, keySpec, nullptr, 0, signature.data(), &size))
        << lastErrorText();
    CryptDestroyHash(hash);
    CryptReleaseContext(key, 0);
    return signature;
  }

  void writeReversed(std::vector<unsigned char> signature) {
    std::reverse(signature.begin(), signature.end());
    writeBytes(pathInHome("signature.bin"), signature);
  }

  HCERTSTORE store_ = nullptr;
  PCCERT_CONTEXT context_ = nullptr;
};

TEST_F(Signing, Md5AndSha1VerifyWithOpenssl) {
  writeBytes(pathInHome("data.bin"), {'s', 'i', 'g', 'n', ' ', 'm', 'e'});
  for (const auto& [algorithm, name] : {std::pair{CALG_MD5, "md5"}, std::pair{CALG_SHA1, "sha1"}}) {
    SCOPED_TRACE(name);
    writeReversed(sign(algorithm, "sign me"));
    EXPECT_EQ(run(std::string("openssl dgst -") + name +
                  " -verify public.pem -signature signature.bin data.bin")
                  .status,
              0);
    // Not reversed, the same bytes do not verify: the order is the point.
    writeBytes(pathInHome("signature.bin"), sign(algorithm, "sign me"));
    EXPECT_NE(run(std::string("openssl dgst -") + name +
                  " -verify public.pem -signature signature.bin data.bin")
                  .status,
              0);
  }
}

TEST_F(Signing, Md4SignatureRecoversItsDigestInfo) {
  writeBytes(pathInHome("data.bin"), {'m', 'd', '4'});
  writeReversed(sign(CALG_MD4, "md4"));
  runOrFail(
      "openssl pkeyutl -verifyrecover -pubin -inkey public.pem -in signature.bin "
      "-out recovered.bin");
  const std::string digest =
      runOrFail("openssl dgst -md4 -provider legacy -provider default -binary data.bin | xxd -p");
  const std::string recovered = runOrFail("xxd -p -c 256 recovered.bin");
  EXPECT_EQ(recovered, "3020300c06082a864886f70d020405000410" + digest);
}

TEST_F(Signing, SmallBufferAndUnknownAlgorithmAreRefused) {
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD keySpec = 0;
  BOOL mustRelease = FALSE;
  ASSERT_TRUE(
      CryptAcquireCertificatePrivateKey(context_, 0, nullptr, &key, &keySpec, &mustRelease));
  HCRYPTHASH hash = 0;
  ASSERT_TRUE(CryptCreateHash(key, CALG_SHA1, 0, 0, &hash));
  std::vector<unsigned char> signature(100);
  DWORD size = 100;
  EXPECT_FALSE(CryptSignHashW(hash, keySpec, nullptr, 0, signature.data(), &size));
  EXPECT_EQ(size, 256u);
  EXPECT_EQ(GetLastError(), 0xEAu);
  CryptDestroyHash(hash);
  // SHA-256 is not among the algorithms of this provider.
  EXPECT_FALSE(CryptCreateHash(key, 0x800C, 0, 0, &hash));
  EXPECT_EQ(GetLastError(), 0x80090008u);
  CryptReleaseContext(key, 0);
}

TEST(SigningWithoutKey, CertificateWithoutItsKeyIsRefused) {
  makeCertificate("", "/CN=No Key");
  runOrFail(
      "mkdir -p .pki/nssdb && certutil -N -d sql:.pki/nssdb --empty-password && "
      "certutil -A -d sql:.pki/nssdb -n nokey -t ,, -i cert.pem");
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  const PCCERT_CONTEXT context = findInPersonalStore(store, pathInHome("cert.pem"));
  ASSERT_NE(context, nullptr);
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD keySpec = 0;
  BOOL mustRelease = FALSE;
  EXPECT_FALSE(
      CryptAcquireCertificatePrivateKey(context, 0, nullptr, &key, &keySpec, &mustRelease));
  EXPECT_EQ(GetLastError(), 0x8009200Bu);
  EXPECT_NE(lastErrorText().find("no private key"), std::string::npos);
  CertCloseStore(store, 0);
}

}  // namespace
}  // namespace varomel::nss::testing
