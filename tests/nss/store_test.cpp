// The personal store is the user's NSS database: created when missing, every certificate of it
// listed, certificates from outside (certutil) seen, imported ones visible to certutil.
#include <gtest/gtest.h>
#include <pk11pub.h>
#include <prerror.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <thread>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

const WCHAR kMy[] = u"MY";
const std::string kDatabase = "sql:$HOME/.pki/nssdb";

// Seconds since 1970 as a FILETIME's value.
std::uint64_t fileTimeOfUnix(std::time_t seconds) {
  return (static_cast<std::uint64_t>(seconds) + 11'644'473'600ull) * 10'000'000ull;
}

std::uint64_t joined(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

std::time_t unixTimeOf(const std::string& openssldate) {
  const std::string out = runOrFail("date -u -d '" + openssldate + "' +%s");
  return static_cast<std::time_t>(std::stoll(out));
}

std::string certificateDate(const std::string& which) {
  std::string out = runOrFail("openssl x509 -in cert.pem -noout -" + which);
  out = out.substr(out.find('=') + 1);
  return out.substr(0, out.find('\n'));
}

std::u16string dnOf(PCCERT_CONTEXT context) {
  WCHAR text[512];
  CertNameToStrW(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR, text, 512);
  return text;
}

TEST(PersonalStore, MissingDatabaseIsCreatedEmpty) {
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  ASSERT_NE(store, nullptr) << lastErrorText();
  EXPECT_TRUE(std::filesystem::exists(pathInHome(".pki/nssdb/cert9.db")));
  EXPECT_EQ(CertEnumCertificatesInStore(store, nullptr), nullptr);
  EXPECT_EQ(GetLastError(), 0x80092004u);
  EXPECT_EQ(CertCloseStore(store, 0), TRUE);
  // The empty password certutil gives a new database: certutil reads its keys without asking.
  const std::string keys = run("certutil -K -d " + kDatabase + " </dev/null").output;
  EXPECT_NE(keys.find("no keys found"), std::string::npos) << keys;
}

// In a fresh process (the database opens once per process): a HOME where no database can be
// made.
TEST(PersonalStore, DatabaseThatCannotBeCreatedIsReported) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        // The child's own temporary HOME goes first: exit() skips the test environment's clean-up.
        std::filesystem::remove_all(home());
        setenv("HOME", "/proc/self/no-such-home", 1);
        const bool refused = CertOpenSystemStoreW(0, kMy) == nullptr;
        std::fprintf(stderr, "%s", lastErrorText().c_str());
        std::exit(refused && GetLastError() == 0x80090016u ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "could not be opened or created");
}

void hostPipeHandler(int) {}

// In a fresh process, so that NSPR starts inside the test: it ignores SIGPIPE as it starts, and
// the host's handler must be back once the store has opened.
TEST(PersonalStore, OpeningKeepsTheHostsSigpipeHandler) {
  ::testing::FLAGS_gtest_death_test_style = "threadsafe";
  EXPECT_EXIT(
      {
        struct sigaction host {};
        host.sa_handler = hostPipeHandler;
        sigaction(SIGPIPE, &host, nullptr);
        CertCloseStore(CertOpenSystemStoreW(0, kMy), 0);
        struct sigaction after {};
        sigaction(SIGPIPE, nullptr, &after);
        // The child's own temporary HOME goes too: exit() skips the test environment's clean-up.
        std::filesystem::remove_all(home());
        std::exit(after.sa_handler == hostPipeHandler ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(PersonalStore, OnlyMyIsKnown) {
  const WCHAR root[] = u"ROOT";
  EXPECT_EQ(CertOpenSystemStoreW(0, root), nullptr);
  EXPECT_EQ(GetLastError(), 2u);
}

TEST(PersonalStore, CertificateAddedByCertutilIsListedWithItsFields) {
  makeCertificate(
      "", "/C=US/ST=Some State/O=Acme, Inc./OU=Unit/CN=Jane Doe/emailAddress=jane@example.com");
  runOrFail("mkdir -p .pki/nssdb && certutil -N -d " + kDatabase + " --empty-password");
  runOrFail("certutil -A -d " + kDatabase + " -n jane -t ,, -i cert.pem");
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  ASSERT_NE(store, nullptr) << lastErrorText();
  const PCCERT_CONTEXT context = findInPersonalStore(store, "cert.pem");
  ASSERT_NE(context, nullptr);
  EXPECT_EQ(context->dwCertEncodingType, X509_ASN_ENCODING | PKCS_7_ASN_ENCODING);
  EXPECT_EQ(dnOf(context),
            u"C=US, S=Some State, O=\"Acme, Inc.\", OU=Unit, CN=Jane Doe, E=jane@example.com");
  EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &context->pCertInfo->Subject, CERT_X500_NAME_STR,
                           nullptr, 0),
            77u);
  EXPECT_EQ(joined(context->pCertInfo->NotBefore),
            fileTimeOfUnix(unixTimeOf(certificateDate("startdate"))));
  EXPECT_EQ(joined(context->pCertInfo->NotAfter),
            fileTimeOfUnix(unixTimeOf(certificateDate("enddate"))));
  EXPECT_EQ(CertEnumCertificatesInStore(store, context), nullptr);
  CertCloseStore(store, 0);
}

// A damaged record among the database's certificates: the store opens and shows the others.
TEST(PersonalStore, CertificateRecordThatDoesNotDecodeIsLeftOut) {
  makeCertificate("", "/CN=Sound");
  runOrFail("mkdir -p .pki/nssdb && certutil -N -d " + kDatabase + " --empty-password");
  runOrFail("certutil -A -d " + kDatabase + " -n sound -t ,, -i cert.pem");
  CertCloseStore(CertOpenSystemStoreW(0, kMy), 0);
  PK11SlotInfo* slot = PK11_GetInternalKeySlot();
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_CERTIFICATE_TYPE x509 = CKC_X_509;
  CK_BBOOL onToken = CK_TRUE;
  unsigned char garbage[] = {0x30, 0x03, 0x02, 0x01, 0x05};
  unsigned char subject[] = {0x30, 0x00};
  CK_ATTRIBUTE record[] = {{CKA_CLASS, &certificateClass, sizeof certificateClass},
                           {CKA_CERTIFICATE_TYPE, &x509, sizeof x509},
                           {CKA_TOKEN, &onToken, sizeof onToken},
                           {CKA_SUBJECT, subject, sizeof subject},
                           {CKA_ISSUER, subject, sizeof subject},
                           {CKA_SERIAL_NUMBER, garbage + 2, 3},
                           {CKA_VALUE, garbage, sizeof garbage}};
  PK11GenericObject* damaged = PK11_CreateGenericObject(slot, record, 7, PR_TRUE);
  ASSERT_NE(damaged, nullptr) << PORT_ErrorToName(PORT_GetError());
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  ASSERT_NE(store, nullptr) << lastErrorText();
  const PCCERT_CONTEXT only = CertEnumCertificatesInStore(store, nullptr);
  ASSERT_NE(only, nullptr);
  EXPECT_EQ(dnOf(only), u"CN=Sound");
  EXPECT_EQ(CertEnumCertificatesInStore(store, only), nullptr);
  CertCloseStore(store, 0);
  PK11_DestroyTokenObject(slot, PK11_GetObjectHandle(PK11_TypeGeneric, damaged, nullptr));
  PK11_DestroyGenericObject(damaged);
  PK11_FreeSlot(slot);
}

TEST(PersonalStore, ImportedCertificateIsInTheDatabaseForCertutil) {
  makeCertificate("", "/CN=Imported One/O=Org");
  runOrFail("openssl pkcs12 -export -in cert.pem -inkey key.pem -out p.p12 -passout pass:pw");
  const std::u16string password = u"pw";
  ASSERT_TRUE(importIntoPersonalStore(pathInHome("p.p12"), password.c_str())) << lastErrorText();
  const std::string listed = runOrFail("certutil -L -d " + kDatabase);
  EXPECT_NE(listed.find("O=Org,CN=Imported One"), std::string::npos) << listed;
  const std::string keys = runOrFail("certutil -K -d " + kDatabase + " </dev/null");
  EXPECT_NE(keys.find("O=Org,CN=Imported One"), std::string::npos) << keys;
}

TEST(PersonalStore, AddingAnEqualCertificateAgainKeepsOneCopy) {
  makeCertificate("", "/CN=Twice");
  runOrFail("openssl pkcs12 -export -in cert.pem -inkey key.pem -out p.p12 -passout pass:pw");
  const std::u16string password = u"pw";
  ASSERT_TRUE(importIntoPersonalStore(pathInHome("p.p12"), password.c_str())) << lastErrorText();
  ASSERT_TRUE(importIntoPersonalStore(pathInHome("p.p12"), password.c_str())) << lastErrorText();
  const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
  int count = 0;
  for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c != nullptr;
       c = CertEnumCertificatesInStore(store, c)) {
    ++count;
  }
  EXPECT_EQ(count, 1);
  CertCloseStore(store, 0);
}

// The SHA-1 signature of a fixed text with the certificate's key; empty when any step fails.
std::vector<unsigned char> signFixedText(PCCERT_CONTEXT context) {
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE key = 0;
  DWORD keySpec = 0;
  BOOL mustRelease = FALSE;
  if (!CryptAcquireCertificatePrivateKey(context, 0, nullptr, &key, &keySpec, &mustRelease)) {
    return {};
  }
  HCRYPTHASH hash = 0;
  std::vector<unsigned char> signature(256);
  DWORD size = 256;
  const BYTE text[] = {'t', 'e', 'x', 't'};
  if (!CryptCreateHash(key, CALG_SHA1, 0, 0, &hash) || !CryptHashData(hash, text, 4, 0) ||
      !CryptSignHashW(hash, keySpec, nullptr, 0, signature.data(), &size)) {
    signature.clear();
  }
  CryptDestroyHash(hash);
  CryptReleaseContext(key, 0);
  return signature;
}

TEST(PersonalStore, ManyThreadsOpenWalkAndSignAtOnce) {
  makeCertificate("", "/CN=Shared");
  runOrFail("openssl pkcs12 -export -in cert.pem -inkey key.pem -out p.p12 -passout pass:pw");
  const std::u16string password = u"pw";
  ASSERT_TRUE(importIntoPersonalStore(pathInHome("p.p12"), password.c_str())) << lastErrorText();
  const HCERTSTORE first = CertOpenSystemStoreW(0, kMy);
  const std::vector<unsigned char> expected =
      signFixedText(CertEnumCertificatesInStore(first, nullptr));
  CertCloseStore(first, 0);
  ASSERT_EQ(expected.size(), 256u);
  std::vector<std::thread> threads;
  std::vector<int> found(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&found, &expected, t] {
      for (int round = 0; round < 50; ++round) {
        const HCERTSTORE store = CertOpenSystemStoreW(0, kMy);
        for (PCCERT_CONTEXT c = CertEnumCertificatesInStore(store, nullptr); c != nullptr;
             c = CertEnumCertificatesInStore(store, c)) {
          // PKCS #1 v1.5 is deterministic: every thread must get the same bytes.
          found[t] += dnOf(c) == u"CN=Shared" && signFixedText(c) == expected ? 1 : 0;
        }
        CertCloseStore(store, 0);
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  EXPECT_EQ(found, std::vector<int>(8, 50));
}

}  // namespace
}  // namespace varomel::nss::testing
