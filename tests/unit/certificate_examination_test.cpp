// Examining one certificate: its encoding, its validity window, its DN text; and comparing DNs.
#include <gtest/gtest.h>

#include "jni/arguments.h"
#include "store/certificate_examination.h"
#include "store/selection.h"
#include "tests/fakes/world.h"

namespace {

using fakes::kNow;
using fakes::World;

CERT_INFO windowInfo(std::uint64_t notBefore, std::uint64_t notAfter) {
  CERT_INFO info{};
  info.NotBefore = {static_cast<DWORD>(notBefore), static_cast<DWORD>(notBefore >> 32)};
  info.NotAfter = {static_cast<DWORD>(notAfter), static_cast<DWORD>(notAfter >> 32)};
  return info;
}

struct WindowCase {
  const char* name;
  std::uint64_t notBefore;
  std::uint64_t notAfter;
  bool valid;
};

TEST(IsWithinValidity, BothEndsOfTheWindowAreIncludedToTheTick) {
  const WindowCase cases[] = {
      {"ends now", kNow - 1000, kNow, true},
      {"begins now", kNow, kNow + 1000, true},
      {"begins and ends now", kNow, kNow, true},
      {"ended one tick ago", kNow - 1000, kNow - 1, false},
      {"begins in one tick", kNow + 1, kNow + 1000, false},
      {"inverted around now", kNow + 1, kNow - 1, false},
  };
  for (const WindowCase& c : cases) {
    SCOPED_TRACE(c.name);
    World world;
    const CERT_INFO info = windowInfo(c.notBefore, c.notAfter);
    EXPECT_EQ(varomel::isWithinValidity(world.env(), &info), c.valid);
    EXPECT_EQ(world.jvm.pending(), nullptr);
  }
}

TEST(IsWithinValidity, AClockThatFailsToConvertAnswersFalseWithItsMessagePending) {
  World world;
  world.calls.failCall("SystemTimeToFileTime");
  const CERT_INFO info = windowInfo(kNow - 1000, kNow + 1000);
  EXPECT_FALSE(varomel::isWithinValidity(world.env(), &info));
  ASSERT_NE(world.jvm.pending(), nullptr);
  EXPECT_EQ(world.jvm.messageOf(world.jvm.pending()), "Could not convert the current time.");
}

TEST(IsWithinValidity, ReadsTheClockAnewEachTime) {
  World world;
  // The clock counts whole milliseconds; the window ends one tick after the first reading.
  world.windows.clock = {kNow, kNow + 10000};
  const CERT_INFO info = windowInfo(kNow - 1000, kNow + 1);
  EXPECT_TRUE(varomel::isWithinValidity(world.env(), &info));
  EXPECT_FALSE(varomel::isWithinValidity(world.env(), &info));
}

TEST(HasX509Encoding, ChecksOnlyTheX509Bit) {
  const std::pair<DWORD, bool> cases[] = {
      {X509_ASN_ENCODING, true},
      {X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, true},
      {PKCS_7_ASN_ENCODING, false},
      {0, false},
  };
  for (const auto& [encoding, expected] : cases) {
    CERT_CONTEXT context{};
    context.dwCertEncodingType = encoding;
    EXPECT_EQ(varomel::hasX509Encoding(&context), expected) << std::hex << encoding;
  }
}

TEST(RenderSubjectDN, FillsABufferTwoUnitsLongerThanThePlatformsCount) {
  World world;
  world.windows.personal = {fakes::certificate(u"CN=Jane Doe", {1})};
  const HCERTSTORE store = CertOpenSystemStoreW(0, u"MY");
  const PCCERT_CONTEXT certificate = CertEnumCertificatesInStore(store, nullptr);

  varomel::DnText text = varomel::renderSubjectDN(certificate);
  ASSERT_NE(text.units, nullptr);
  EXPECT_EQ(text.count, 12u);  // 11 characters and the terminator
  EXPECT_EQ(std::u16string(text.units), u"CN=Jane Doe");
  EXPECT_EQ(text.units[text.count - 1], 0);
  EXPECT_EQ(world.calls.calls()[world.calls.find("LocalAlloc")].detail,
            std::to_string(14 * sizeof(WCHAR)));
  EXPECT_EQ(world.calls.calls()[world.calls.find("CertNameToStrW", 3)].detail, "text 14");
  varomel::releaseDnText(text);
  CertCloseStore(store, 0);
}

TEST(RenderSubjectDN, GivesNoUnitsWhenTheBufferCannotBeAllocated) {
  World world;
  world.windows.personal = {fakes::certificate(u"CN=Jane Doe", {1})};
  const HCERTSTORE store = CertOpenSystemStoreW(0, u"MY");
  world.calls.failCall("LocalAlloc");
  varomel::DnText text = varomel::renderSubjectDN(CertEnumCertificatesInStore(store, nullptr));
  EXPECT_EQ(text.units, nullptr);
  CertCloseStore(store, 0);
}

struct DnCase {
  const char16_t* name;
  std::u16string certificateText;
  std::u16string requested;
  bool equal;
};

TEST(DnEquals, ComparesExactlyUpToTheFirstU0000OfEither) {
  using namespace std::string_literals;
  const std::u16string dn = u"CN=Jane Doe, O=Acme";
  const DnCase cases[] = {
      {u"the same text", dn, dn, true},
      {u"with the trailing U+0000 of a listing", dn, dn + u'\0', true},
      {u"with characters after a U+0000", dn, dn + u"\0, OU=x"s, true},
      {u"in other letter case", dn, u"cn=jane doe, o=acme", false},
      {u"with other blanks", dn, u"CN=Jane Doe,O=Acme", false},
      {u"with its parts in another order", dn, u"O=Acme, CN=Jane Doe", false},
      {u"a prefix of it", dn, u"CN=Jane Doe", false},
      {u"longer than it", dn, dn + u" ", false},
      {u"empty against a text", dn, u"", false},
      {u"empty against the empty text", u"", u"", true},
      {u"U+0000 alone against the empty text", u"", u"\0"s, true},
  };
  for (const DnCase& c : cases) {
    SCOPED_TRACE(fakes::toModifiedUtf8(c.name));
    World world;
    const jstring dnString = world.jvm.newString(c.requested);
    const varomel::RequestedDn requested = varomel::takeRequestedDn(world.env(), dnString);
    std::u16string buffer = c.certificateText + u"\0\0\0"s;
    const varomel::DnText text{buffer.data(), static_cast<DWORD>(c.certificateText.size() + 1)};
    EXPECT_EQ(varomel::dnEquals(text, requested), c.equal);
    varomel::releaseRequestedDn(world.env(), dnString, requested);
  }
}

}  // namespace
