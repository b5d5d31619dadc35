#include "tests/fakes/fake_windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "tests/fakes/call_log.h"

namespace fakes {

namespace {

constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kTicksPerMillisecond = 10000;

// Days since 1970-01-01 of a civil date (proleptic Gregorian).
std::int64_t daysFromCivil(std::int64_t year, unsigned month, unsigned day) {
  year -= month <= 2 ? 1 : 0;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const auto yearOfEra = static_cast<unsigned>(year - era * 400);
  const unsigned dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + static_cast<std::int64_t>(dayOfEra) - 719468;
}

void civilFromDays(std::int64_t days, int* year, unsigned* month, unsigned* day) {
  days += 719468;
  const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const auto dayOfEra = static_cast<unsigned>(days - era * 146097);
  const unsigned yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const unsigned dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const unsigned mp = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = static_cast<int>(static_cast<std::int64_t>(yearOfEra) + era * 400 + (*month <= 2));
}

FILETIME toFileTime(std::uint64_t ticks) {
  return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

std::uint64_t ticksOf(const FILETIME& time) {
  return (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
}

// A certificate as handed out by an enumeration: it lives until it is passed back to the next
// enumeration call or its store is closed.
struct Context {
  CERT_CONTEXT context;
  CERT_INFO info;
  std::vector<BYTE> encoded;
  std::u16string dn;
  std::size_t index;
};

struct Store {
  bool closed = false;
  int walks = 0;
  std::vector<std::unique_ptr<Context>> handedOut;
};

struct Heap {
  std::map<void*, std::size_t> live;
};

struct State {
  FakeWindows visible;
  std::vector<std::unique_ptr<Store>> stores;
  Heap heap;
  std::size_t clockReadings = 0;
};

State& state() {
  static State instance;
  return instance;
}

Store* openStore(HCERTSTORE handle, const char* function) {
  for (const auto& store : state().stores) {
    if (store.get() == handle) {
      if (store->closed) {
        ADD_FAILURE() << function << " given a store that was already closed";
        return nullptr;
      }
      return store.get();
    }
  }
  ADD_FAILURE() << function << " given a handle that is no store";
  return nullptr;
}

std::unique_ptr<Context> contextFor(const FakeCertificate& certificate, std::size_t index) {
  auto held = std::make_unique<Context>();
  held->encoded.assign(certificate.encoded.begin(), certificate.encoded.end());
  held->dn = certificate.dn;
  held->index = index;
  held->info.NotBefore = toFileTime(certificate.notBefore);
  held->info.NotAfter = toFileTime(certificate.notAfter);
  held->info.Subject.cbData = static_cast<DWORD>(held->dn.size() * sizeof(char16_t));
  held->info.Subject.pbData = reinterpret_cast<BYTE*>(held->dn.data());
  held->context.dwCertEncodingType = certificate.encodingType;
  held->context.pbCertEncoded = held->encoded.data();
  held->context.cbCertEncoded = static_cast<DWORD>(held->encoded.size());
  held->context.pCertInfo = &held->info;
  return held;
}

}  // namespace

std::uint64_t ticksAt(int year, int month, int day, int hour, int minute, int second,
                      int millisecond) {
  const std::int64_t days =
      daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kDaysFrom1601To1970;
  const std::int64_t milliseconds =
      ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millisecond;
  return static_cast<std::uint64_t>(milliseconds) * kTicksPerMillisecond;
}

FakeWindows& windows() { return state().visible; }

void resetWindows() {
  callLog().reset();
  for (const auto& [block, size] : state().heap.live) {
    std::free(block);
  }
  state() = State();
}

void expectWindowsLeftClean() {
  for (const auto& store : state().stores) {
    EXPECT_TRUE(store->closed) << "a store was left open";
  }
  EXPECT_TRUE(state().heap.live.empty()) << state().heap.live.size() << " heap blocks not freed";
}

}  // namespace fakes

using fakes::callLog;
using fakes::state;

extern "C" {

HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol) {
  const std::u16string name = szSubsystemProtocol == nullptr ? u"" : szSubsystemProtocol;
  if (callLog().fallible("CertOpenSystemStoreW", name == u"MY" ? "MY" : "?")) {
    return nullptr;
  }
  EXPECT_EQ(hProv, 0u);
  EXPECT_TRUE(name == u"MY") << "only the personal store is opened";
  state().stores.push_back(std::make_unique<fakes::Store>());
  ++state().visible.storesOpened;
  return state().stores.back().get();
}

BOOL WINAPI CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags) {
  const bool fails = callLog().fallible("CertCloseStore", "flags=" + std::to_string(dwFlags));
  fakes::Store* store = fakes::openStore(hCertStore, "CertCloseStore");
  if (store == nullptr) {
    return FALSE;
  }
  // Closed even when it reports failure: the handle is gone either way.
  store->closed = true;
  store->handedOut.clear();
  return fails ? FALSE : TRUE;
}

PCCERT_CONTEXT WINAPI CertEnumCertificatesInStore(HCERTSTORE hCertStore,
                                                  PCCERT_CONTEXT pPrevCertContext) {
  callLog().record("CertEnumCertificatesInStore", pPrevCertContext == nullptr ? "first" : "next");
  fakes::Store* store = fakes::openStore(hCertStore, "CertEnumCertificatesInStore");
  if (store == nullptr) {
    return nullptr;
  }
  std::size_t next = 0;
  if (pPrevCertContext != nullptr) {
    auto& handedOut = store->handedOut;
    auto found = handedOut.begin();
    while (found != handedOut.end() && &(*found)->context != pPrevCertContext) {
      ++found;
    }
    if (found == handedOut.end()) {
      ADD_FAILURE() << "CertEnumCertificatesInStore given a certificate it did not hand out";
      return nullptr;
    }
    next = (*found)->index + 1;
    handedOut.erase(found);
  } else {
    const int walk = ++store->walks;
    if (state().visible.beforeWalk) {
      state().visible.beforeWalk(walk);
    }
  }
  const auto& personal = state().visible.personal;
  if (next >= personal.size()) {
    return nullptr;
  }
  store->handedOut.push_back(fakes::contextFor(personal[next], next));
  return &store->handedOut.back()->context;
}

DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType,
                            LPWSTR psz, DWORD csz) {
  callLog().record("CertNameToStrW", psz == nullptr ? "size" : "text " + std::to_string(csz));
  EXPECT_EQ(dwCertEncodingType, X509_ASN_ENCODING);
  EXPECT_EQ(dwStrType, CERT_X500_NAME_STR);
  const std::u16string text(reinterpret_cast<const char16_t*>(pName->pbData),
                            pName->cbData / sizeof(char16_t));
  const auto needed = static_cast<DWORD>(text.size() + 1);
  if (psz == nullptr) {
    return needed;
  }
  if (csz == 0) {
    return 0;
  }
  const DWORD written = std::min<DWORD>(needed - 1, csz - 1);
  std::memcpy(psz, text.data(), written * sizeof(WCHAR));
  psz[written] = 0;
  return written + 1;
}

void WINAPI GetSystemTime(SYSTEMTIME* lpSystemTime) {
  callLog().record("GetSystemTime");
  const auto& clock = state().visible.clock;
  const std::uint64_t ticks = clock[std::min(state().clockReadings++, clock.size() - 1)];
  const std::uint64_t milliseconds = ticks / fakes::kTicksPerMillisecond;
  const auto days = static_cast<std::int64_t>(milliseconds / 86400000);
  const std::uint64_t inDay = milliseconds % 86400000;
  int year = 0;
  unsigned month = 0;
  unsigned day = 0;
  fakes::civilFromDays(days - fakes::kDaysFrom1601To1970, &year, &month, &day);
  *lpSystemTime = SYSTEMTIME{static_cast<WORD>(year),
                             static_cast<WORD>(month),
                             static_cast<WORD>((days + 1) % 7),  // 1601-01-01 was a Monday
                             static_cast<WORD>(day),
                             static_cast<WORD>(inDay / 3600000),
                             static_cast<WORD>(inDay / 60000 % 60),
                             static_cast<WORD>(inDay / 1000 % 60),
                             static_cast<WORD>(inDay % 1000)};
}

BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime) {
  if (callLog().fallible("SystemTimeToFileTime")) {
    return FALSE;
  }
  const SYSTEMTIME& t = *lpSystemTime;
  if (t.wYear < 1601 || t.wMonth < 1 || t.wMonth > 12 || t.wDay < 1 || t.wDay > 31 ||
      t.wHour > 23 || t.wMinute > 59 || t.wSecond > 59 || t.wMilliseconds > 999) {
    return FALSE;
  }
  *lpFileTime = fakes::toFileTime(
      fakes::ticksAt(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds));
  return TRUE;
}

LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2) {
  const std::uint64_t first = fakes::ticksOf(*lpFileTime1);
  const std::uint64_t second = fakes::ticksOf(*lpFileTime2);
  return first < second ? -1 : (first > second ? 1 : 0);
}

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes) {
  if (callLog().fallible("LocalAlloc", std::to_string(uBytes))) {
    return nullptr;
  }
  EXPECT_EQ(uFlags, LMEM_FIXED);
  void* block = std::malloc(uBytes == 0 ? 1 : uBytes);
  state().heap.live[block] = uBytes;
  return block;
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  callLog().record("LocalFree");
  if (hMem == nullptr) {
    return nullptr;
  }
  const auto found = state().heap.live.find(hMem);
  if (found == state().heap.live.end()) {
    ADD_FAILURE() << "LocalFree given a block that is not live";
    return hMem;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(hMem);
  state().visible.freedBlocks.emplace_back(bytes, bytes + found->second);
  state().heap.live.erase(found);
  std::free(hMem);
  return nullptr;
}

}  // extern "C"
