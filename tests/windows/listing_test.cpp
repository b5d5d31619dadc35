// Listing and retrieval against Wine's own view of the store.
#include <algorithm>

#include "tests/windows/personal_store_fixture.h"

namespace harness {
namespace {

using ListingTest = PersonalStoreTest;

TEST_F(ListingTest, ListsWineTextsOfTheCertificatesValidNowInWineOrder) {
  const std::vector<StoredCertificate> stored = personalCertificates();
  ASSERT_EQ(stored.size(), 4u);
  std::vector<std::u16string> expected;
  for (const StoredCertificate& certificate : stored) {
    if (certificate.validNow) {
      expected.push_back(certificate.dn);
    }
  }
  // The expired and the not yet valid certificate are left out.
  ASSERT_EQ(expected.size(), 2u);
  const std::u16string jane(
      u"C=US, S=Some State, O=\"Acme, Inc.\", OU=Unit, CN=Jane Doe, E=jane@example.com\0", 77);
  EXPECT_NE(std::find(expected.begin(), expected.end(), jane), expected.end());

  const jobjectArray list = dll.listDNS(jvm.env(), nullptr);

  EXPECT_EQ(jvm.pending(), nullptr);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(jvm.stringArray(list), expected);
}

TEST_F(ListingTest, GetCertificateGivesTheStoredBytesForEachListedDn) {
  for (const std::string file : {"jane.der", "second.der"}) {
    const std::u16string dn = dnOf(file);
    ASSERT_EQ(dn.back(), u'\0');
    // As listDNS returned it, and without its trailing U+0000.
    for (const std::u16string& requested : {dn, dn.substr(0, dn.size() - 1)}) {
      const jbyteArray certificate =
          dll.getCertificate(jvm.env(), nullptr, jvm.newString(requested));
      EXPECT_EQ(jvm.pending(), nullptr);
      ASSERT_NE(certificate, nullptr) << file;
      EXPECT_EQ(jvm.byteArray(certificate), readFile(file)) << file;
    }
  }
}

TEST_F(ListingTest, DnOfNoValidCertificateGivesNullAndNoException) {
  const std::u16string dns[] = {u"CN=Nobody", dnOf("expired.der"), dnOf("future.der")};
  const jbyteArray data = jvm.newByteArray({1, 2, 3});
  const jcharArray password = jvm.newCharArray(kPassword);
  for (const std::u16string& dn : dns) {
    const jstring requested = jvm.newString(dn);
    EXPECT_EQ(dll.getCertificate(jvm.env(), nullptr, requested), nullptr);
    EXPECT_EQ(dll.signData(jvm.env(), nullptr, requested, data, jvm.newString(u"SHA1")), nullptr);
    EXPECT_EQ(dll.getPKCS12(jvm.env(), nullptr, requested, password), nullptr);
    EXPECT_EQ(jvm.pending(), nullptr);
  }
}

TEST_F(ListingTest, LoadsAgainAfterUnloadingAndListsTheSame) {
  const std::vector<std::u16string> before = jvm.stringArray(dll.listDNS(jvm.env(), nullptr));
  unloadVaromel(&dll);
  ASSERT_NO_FATAL_FAILURE(loadVaromel(&dll));

  EXPECT_EQ(jvm.stringArray(dll.listDNS(jvm.env(), nullptr)), before);
  EXPECT_EQ(before.size(), 2u);
}

}  // namespace
}  // namespace harness
