// Fake Windows services: the personal store "MY" as a list of certificates a test describes,
// private keys that sign with scripted bytes, memory stores, PKCS#12 export and import, the
// thread's last error with its system texts, a clock, and the local heap, all observable. The
// functions themselves are the Windows names the library calls, defined in fake_windows.cpp and
// bound by the linker.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/windows_api.h"

namespace fakes {

// 100-nanosecond ticks since 1601-01-01 00:00 UTC, as FILETIME counts them.
std::uint64_t ticksAt(int year, int month, int day, int hour = 0, int minute = 0, int second = 0,
                      int millisecond = 0);
constexpr std::uint64_t kTicksPerDay = 864000000000ULL;

struct FakeKey {
  DWORD keySpec = AT_SIGNATURE;
  BOOL mustRelease = TRUE;
  std::vector<ALG_ID> algorithms{CALG_MD4, CALG_MD5, CALG_SHA1};
  // What CryptSignHashW writes, whatever was hashed.
  std::vector<std::uint8_t> signature{0x51, 0x52, 0x53, 0x54};
};

struct FakeCertificate {
  std::vector<std::uint8_t> encoded;
  std::u16string dn;  // the text CertNameToStrW gives for its subject
  std::uint64_t notBefore;
  std::uint64_t notAfter;
  DWORD encodingType = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
  std::optional<FakeKey> key = FakeKey{};
};

// One hash object as the library used it.
struct HashObject {
  ALG_ID algorithm;
  std::size_t provider;  // index into FakeWindows::providers
  std::vector<std::uint8_t> hashed;
  int hashCalls = 0;
  int destroyed = 0;
};

// One provider handle handed out by CryptAcquireCertificatePrivateKey.
struct Provider {
  FakeKey key;
  int released = 0;
};

struct PfxImport {
  std::optional<std::u16string> password;  // nullopt: no password passed
  std::vector<std::uint8_t> packet;
  DWORD flags;
};

struct FakeWindows {
  // The personal store, in store order. A walk sees it as it is at each enumeration call.
  std::vector<FakeCertificate> personal;
  // Successive readings of GetSystemTime, in whole milliseconds; the last one repeats.
  std::vector<std::uint64_t> clock{ticksAt(2026, 12, 11, 12)};
  // Run whenever a walk of the personal store starts from its first certificate, with the walk's
  // number.
  std::function<void(int walk)> beforeWalk;
  // What PFXImportCertStore unpacks any packet into.
  std::vector<FakeCertificate> packetCertificates;
  // The last error a call made to fail leaves behind, and the system's texts for error codes.
  DWORD failureError = 5;
  std::map<DWORD, std::string> systemTexts{{5, "Access is denied.\r\n"}};

  // What happened.
  int storesOpened = 0;
  // Every heap block freed, with its contents at the moment it was freed.
  std::vector<std::vector<std::uint8_t>> freedBlocks;
  std::vector<Provider> providers;
  std::vector<HashObject> hashes;
  // The password of every PFXExportCertStore call; nullopt for none.
  std::vector<std::optional<std::u16string>> exportPasswords;
  std::vector<PfxImport> imports;
};

FakeWindows& windows();

// The packet PFXExportCertStore makes of certificates under a password.
std::vector<std::uint8_t> fakePacket(const std::u16string& password,
                                     const std::vector<FakeCertificate>& certificates);

// A fresh world: the call log and the Windows state; and the check at its end that every store
// was closed exactly once, every heap block freed, every hash object destroyed once, and every
// provider released exactly when the platform said the caller must.
void resetWindows();
void expectWindowsLeftClean();

}  // namespace fakes
