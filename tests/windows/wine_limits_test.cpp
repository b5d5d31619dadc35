// Signing, PKCS#12 export and import, where Wine 8's crypt32 stops short of Windows: the exact
// exception each then raises, and a real signature once the harness steps around Wine's key
// specification.
#include <algorithm>
#include <cstdio>

#include "tests/windows/personal_store_fixture.h"

namespace harness {
namespace {

using WineLimitsTest = PersonalStoreTest;

// Line breaks written as \r and \n, to show the text exactly.
std::string escaped(const std::string& text) {
  std::string out;
  for (const char c : text) {
    out += c == '\r' ? "\\r" : (c == '\n' ? "\\n" : std::string(1, c));
  }
  return out;
}

// Wine records imported keys under key specification 3, which its CryptSignHashW refuses.
TEST_F(WineLimitsTest, SigningWithTheKeySpecificationWineReportsFails) {
  const std::u16string jane = dnOf("jane.der");
  ASSERT_EQ(reportedKeySpecification(jane), 3u);

  const jbyteArray signature =
      dll.signData(jvm.env(), nullptr, jvm.newString(jane), jvm.newByteArray(readFile("data.bin")),
                   jvm.newString(u"SHA1"));

  EXPECT_EQ(signature, nullptr);
  expectIOException("Getting signed certifcate size failed");
}

// Wine's PFXExportCertStore is a stub that returns FALSE, so the size is never learnt.
TEST_F(WineLimitsTest, ExportStopsAtWinesPfxExportStub) {
  const jbyteArray packet = dll.getPKCS12(jvm.env(), nullptr, jvm.newString(dnOf("jane.der")),
                                          jvm.newCharArray(kPassword));

  EXPECT_EQ(packet, nullptr);
  expectIOException("Could not calculate needed size of PFX object.\n");
}

// Wine's PFXImportCertStore refuses the library's flags (user key set, user protected,
// exportable) and leaves the last error at 0, so the message carries Wine's text for code 0.
TEST_F(WineLimitsTest, ImportIsRefusedWithWinesTextForTheLastError) {
  const std::vector<StoredCertificate> before = personalCertificates();
  const std::string text = systemText(0);
  ASSERT_FALSE(text.empty()) << "Wine has no text for code 0";
  std::printf("Wine's FormatMessageA text for code 0: \"%s\"\n", escaped(text).c_str());

  dll.importPKCS12(jvm.env(), nullptr, jvm.newByteArray(readFile("jane.p12")),
                   jvm.newCharArray(kPassword));

  expectIOException("Windows threw exception: " + text);
  EXPECT_EQ(personalCertificates().size(), before.size());
}

// With the key specification recorded as AT_KEYEXCHANGE Wine signs. Jane's packet is imported
// alone, into an empty store, so that the one container Wine keeps holds her key and her
// certificate is a new one rather than the replacement of one that keeps its old properties.
// The signatures, turned most significant byte first, go to signature.<digest>.bin for openssl
// to verify against her key.
TEST_F(WineLimitsTest, SignsOnceTheKeySpecificationIsKeyExchange) {
  ASSERT_NO_FATAL_FAILURE(emptyPersonalStore());
  ASSERT_NO_FATAL_FAILURE(importIntoPersonalStore(readFile("jane.p12"), kPassword, AT_KEYEXCHANGE));
  const std::u16string jane = dnOf("jane.der");
  ASSERT_EQ(reportedKeySpecification(jane), static_cast<DWORD>(AT_KEYEXCHANGE));

  for (const char16_t* digest : {u"MD4", u"MD5", u"SHA1"}) {
    const std::string name(digest, digest + std::char_traits<char16_t>::length(digest));
    const jbyteArray signature =
        dll.signData(jvm.env(), nullptr, jvm.newString(jane),
                     jvm.newByteArray(readFile("data.bin")), jvm.newString(digest));
    ASSERT_EQ(jvm.pending(), nullptr) << name << ": " << jvm.messageOf(jvm.pending());
    ASSERT_NE(signature, nullptr) << name;
    Bytes bytes = jvm.byteArray(signature);
    EXPECT_EQ(bytes.size(), 256u) << name;
    std::reverse(bytes.begin(), bytes.end());
    writeFile("signature." + name + ".bin", bytes);
  }
}

}  // namespace
}  // namespace harness
