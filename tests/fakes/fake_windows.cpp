#include "tests/fakes/fake_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>

#include "platform/civil_date.h"
#include "tests/fakes/call_log.h"

namespace fakes {

namespace {

constexpr std::int64_t kDaysFrom1601To1970 = 134774;
constexpr std::uint64_t kTicksPerMillisecond = 10000;

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
  FakeCertificate certificate;
  std::size_t index;
};

struct Store {
  enum class Kind { kPersonal, kMemory, kImported };
  Kind kind;
  bool closed = false;
  int walks = 0;
  std::vector<FakeCertificate> own;  // memory and imported stores
  std::vector<std::unique_ptr<Context>> handedOut;
};

struct State {
  FakeWindows visible;
  std::vector<std::unique_ptr<Store>> stores;
  std::map<void*, std::size_t> heap;
  std::size_t clockReadings = 0;
  DWORD lastError = 0;
};

State& state() {
  static State instance;
  return instance;
}

std::vector<FakeCertificate>& certificatesOf(Store& store) {
  return store.kind == Store::Kind::kPersonal ? state().visible.personal : store.own;
}

HCERTSTORE newStore(Store::Kind kind) {
  state().stores.push_back(std::make_unique<Store>());
  state().stores.back()->kind = kind;
  return state().stores.back().get();
}

void* allocate(std::size_t bytes) {
  void* block = std::malloc(bytes == 0 ? 1 : bytes);
  state().heap[block] = bytes;
  return block;
}

// The context a store handed out and has not taken back, wherever it came from.
const Context* findContext(PCCERT_CONTEXT certificate, const char* function) {
  for (const auto& store : state().stores) {
    for (const auto& held : store->handedOut) {
      if (&held->context == certificate) {
        return held.get();
      }
    }
  }
  ADD_FAILURE() << function << " given a certificate no store is holding out";
  return nullptr;
}

Provider* findProvider(ULONG_PTR handle, const char* function) {
  auto& providers = state().visible.providers;
  if (handle == 0 || handle > providers.size() || providers[handle - 1].released != 0) {
    ADD_FAILURE() << function << " given a provider handle that is not live";
    return nullptr;
  }
  return &providers[handle - 1];
}

HashObject* findHash(HCRYPTHASH handle, const char* function) {
  auto& hashes = state().visible.hashes;
  if (handle == 0 || handle > hashes.size() || hashes[handle - 1].destroyed != 0) {
    ADD_FAILURE() << function << " given a hash handle that is not live";
    return nullptr;
  }
  return &hashes[handle - 1];
}

BOOL failWith(DWORD error) {
  state().lastError = error;
  return FALSE;
}

std::optional<std::u16string> passwordText(LPCWSTR password) {
  if (password == nullptr) {
    return std::nullopt;
  }
  return std::u16string(password);
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
  held->certificate = certificate;
  FakeCertificate& copy = held->certificate;
  held->index = index;
  held->info.NotBefore = toFileTime(copy.notBefore);
  held->info.NotAfter = toFileTime(copy.notAfter);
  held->info.Subject.cbData = static_cast<DWORD>(copy.dn.size() * sizeof(char16_t));
  held->info.Subject.pbData = reinterpret_cast<BYTE*>(copy.dn.data());
  held->context.dwCertEncodingType = copy.encodingType;
  held->context.pbCertEncoded = copy.encoded.data();
  held->context.cbCertEncoded = static_cast<DWORD>(copy.encoded.size());
  held->context.pCertInfo = &held->info;
  return held;
}

}  // namespace

std::uint64_t ticksAt(int year, int month, int day, int hour, int minute, int second,
                      int millisecond) {
  const std::int64_t days =
      varomel::daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) +
      kDaysFrom1601To1970;
  const std::int64_t milliseconds =
      ((days * 24 + hour) * 60 + minute) * 60000 + second * 1000 + millisecond;
  return static_cast<std::uint64_t>(milliseconds) * kTicksPerMillisecond;
}

FakeWindows& windows() { return state().visible; }

std::vector<std::uint8_t> fakePacket(const std::u16string& password,
                                     const std::vector<FakeCertificate>& certificates) {
  std::vector<std::uint8_t> packet{'P', 'F', 'X'};
  for (const char16_t unit : password) {
    packet.push_back(static_cast<std::uint8_t>(unit));
    packet.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  packet.push_back(':');
  for (const FakeCertificate& certificate : certificates) {
    packet.insert(packet.end(), certificate.encoded.begin(), certificate.encoded.end());
  }
  return packet;
}

void resetWindows() {
  callLog().reset();
  for (const auto& [block, size] : state().heap) {
    std::free(block);
  }
  state() = State();
}

void expectWindowsLeftClean() {
  for (const auto& store : state().stores) {
    EXPECT_TRUE(store->closed) << "a store was left open";
  }
  EXPECT_TRUE(state().heap.empty()) << state().heap.size() << " heap blocks not freed";
  for (const Provider& provider : state().visible.providers) {
    EXPECT_EQ(provider.released, provider.key.mustRelease ? 1 : 0)
        << "a provider handle released against its must-release flag";
  }
  for (const HashObject& hash : state().visible.hashes) {
    EXPECT_EQ(hash.destroyed, 1) << "a hash object not destroyed exactly once";
  }
}

}  // namespace fakes

using fakes::callLog;
using fakes::state;

extern "C" {

HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol) {
  const std::u16string name = szSubsystemProtocol == nullptr ? u"" : szSubsystemProtocol;
  if (callLog().fallible("CertOpenSystemStoreW", name == u"MY" ? "MY" : "?")) {
    fakes::failWith(state().visible.failureError);
    return nullptr;
  }
  EXPECT_EQ(hProv, 0u);
  EXPECT_TRUE(name == u"MY") << "only the personal store is opened";
  ++state().visible.storesOpened;
  return fakes::newStore(fakes::Store::Kind::kPersonal);
}

HCERTSTORE WINAPI CertOpenStore(LPCSTR lpszStoreProvider, DWORD dwEncodingType,
                                HCRYPTPROV_LEGACY hCryptProv, DWORD dwFlags, const void* pvPara) {
  if (callLog().fallible("CertOpenStore")) {
    fakes::failWith(state().visible.failureError);
    return nullptr;
  }
  EXPECT_EQ(lpszStoreProvider, CERT_STORE_PROV_MEMORY);
  EXPECT_EQ(dwEncodingType, 0u);
  EXPECT_EQ(hCryptProv, 0u);
  EXPECT_EQ(dwFlags, CERT_STORE_CREATE_NEW_FLAG);
  EXPECT_EQ(pvPara, nullptr);
  return fakes::newStore(fakes::Store::Kind::kMemory);
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
    if (store->kind == fakes::Store::Kind::kPersonal && state().visible.beforeWalk) {
      state().visible.beforeWalk(walk);
    }
  }
  const auto& certificates = fakes::certificatesOf(*store);
  if (next >= certificates.size()) {
    return nullptr;
  }
  store->handedOut.push_back(fakes::contextFor(certificates[next], next));
  return &store->handedOut.back()->context;
}

BOOL WINAPI CertAddCertificateLinkToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext,
                                          DWORD dwAddDisposition, PCCERT_CONTEXT* ppStoreContext) {
  if (callLog().fallible("CertAddCertificateLinkToStore")) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(dwAddDisposition, CERT_STORE_ADD_ALWAYS);
  EXPECT_EQ(ppStoreContext, nullptr);
  fakes::Store* store = fakes::openStore(hCertStore, "CertAddCertificateLinkToStore");
  const fakes::Context* source = fakes::findContext(pCertContext, "CertAddCertificateLinkToStore");
  if (store == nullptr || source == nullptr) {
    return FALSE;
  }
  store->own.push_back(source->certificate);
  return TRUE;
}

BOOL WINAPI CertAddCertificateContextToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext,
                                             DWORD dwAddDisposition,
                                             PCCERT_CONTEXT* ppStoreContext) {
  if (callLog().fallible("CertAddCertificateContextToStore")) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(dwAddDisposition, CERT_STORE_ADD_REPLACE_EXISTING);
  EXPECT_EQ(ppStoreContext, nullptr);
  fakes::Store* store = fakes::openStore(hCertStore, "CertAddCertificateContextToStore");
  const fakes::Context* source =
      fakes::findContext(pCertContext, "CertAddCertificateContextToStore");
  if (store == nullptr || source == nullptr) {
    return FALSE;
  }
  auto& certificates = fakes::certificatesOf(*store);
  for (auto& existing : certificates) {
    if (existing.encoded == source->certificate.encoded) {
      existing = source->certificate;
      return TRUE;
    }
  }
  certificates.push_back(source->certificate);
  return TRUE;
}

BOOL WINAPI PFXExportCertStore(HCERTSTORE hStore, CRYPT_DATA_BLOB* pPFX, LPCWSTR szPassword,
                               DWORD dwFlags) {
  if (callLog().fallible("PFXExportCertStore", pPFX->pbData == nullptr ? "size" : "export")) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(dwFlags, EXPORT_PRIVATE_KEYS | REPORT_NO_PRIVATE_KEY);
  state().visible.exportPasswords.push_back(fakes::passwordText(szPassword));
  fakes::Store* store = fakes::openStore(hStore, "PFXExportCertStore");
  if (store == nullptr) {
    return FALSE;
  }
  for (const auto& certificate : store->own) {
    if (!certificate.key) {
      return fakes::failWith(0x8009000D);  // no key to export
    }
  }
  const std::vector<std::uint8_t> packet =
      fakes::fakePacket(szPassword == nullptr ? u"" : szPassword, store->own);
  if (pPFX->pbData != nullptr) {
    if (pPFX->cbData < packet.size()) {
      return fakes::failWith(234);  // more data
    }
    std::memcpy(pPFX->pbData, packet.data(), packet.size());
  }
  pPFX->cbData = static_cast<DWORD>(packet.size());
  return TRUE;
}

HCERTSTORE WINAPI PFXImportCertStore(CRYPT_DATA_BLOB* pPFX, LPCWSTR szPassword, DWORD dwFlags) {
  const bool fails = callLog().fallible("PFXImportCertStore");
  state().visible.imports.push_back(
      {fakes::passwordText(szPassword),
       std::vector<std::uint8_t>(pPFX->pbData, pPFX->pbData + pPFX->cbData), dwFlags});
  if (fails) {
    fakes::failWith(state().visible.failureError);
    return nullptr;
  }
  const HCERTSTORE store = fakes::newStore(fakes::Store::Kind::kImported);
  static_cast<fakes::Store*>(store)->own = state().visible.packetCertificates;
  return store;
}

BOOL WINAPI
CryptAcquireCertificatePrivateKey(PCCERT_CONTEXT pCert, DWORD dwFlags, void* pvParameters,
                                  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE* phCryptProvOrNCryptKey,
                                  DWORD* pdwKeySpec, BOOL* pfCallerFreeProvOrNCryptKey) {
  if (callLog().fallible("CryptAcquireCertificatePrivateKey")) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(dwFlags, 0u);
  EXPECT_EQ(pvParameters, nullptr);
  const fakes::Context* context = fakes::findContext(pCert, "CryptAcquireCertificatePrivateKey");
  if (context == nullptr || !context->certificate.key) {
    return fakes::failWith(0x8009200B);  // no key for the certificate
  }
  auto& providers = state().visible.providers;
  providers.push_back({*context->certificate.key, 0});
  *phCryptProvOrNCryptKey = providers.size();
  *pdwKeySpec = context->certificate.key->keySpec;
  *pfCallerFreeProvOrNCryptKey = context->certificate.key->mustRelease;
  return TRUE;
}

BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                            HCRYPTHASH* phHash) {
  if (callLog().fallible("CryptCreateHash", std::to_string(Algid))) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(hKey, 0u);
  EXPECT_EQ(dwFlags, 0u);
  const fakes::Provider* provider = fakes::findProvider(hProv, "CryptCreateHash");
  if (provider == nullptr) {
    return FALSE;
  }
  const auto& algorithms = provider->key.algorithms;
  if (std::find(algorithms.begin(), algorithms.end(), Algid) == algorithms.end()) {
    return fakes::failWith(0x80090008);  // the provider has no such algorithm
  }
  auto& hashes = state().visible.hashes;
  hashes.push_back({Algid, hProv - 1, {}, 0, 0});
  *phHash = hashes.size();
  return TRUE;
}

BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags) {
  if (callLog().fallible("CryptHashData", std::to_string(dwDataLen))) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(dwFlags, 0u);
  fakes::HashObject* hash = fakes::findHash(hHash, "CryptHashData");
  if (hash == nullptr) {
    return FALSE;
  }
  ++hash->hashCalls;
  if (dwDataLen > 0) {
    hash->hashed.insert(hash->hashed.end(), pbData, pbData + dwDataLen);
  }
  return TRUE;
}

BOOL WINAPI CryptSignHashW(HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription, DWORD dwFlags,
                           BYTE* pbSignature, DWORD* pdwSigLen) {
  if (callLog().fallible("CryptSignHashW", pbSignature == nullptr ? "size" : "signature")) {
    return fakes::failWith(state().visible.failureError);
  }
  EXPECT_EQ(szDescription, nullptr);
  EXPECT_EQ(dwFlags, 0u);
  const fakes::HashObject* hash = fakes::findHash(hHash, "CryptSignHashW");
  if (hash == nullptr) {
    return FALSE;
  }
  const fakes::Provider& provider = state().visible.providers[hash->provider];
  EXPECT_EQ(provider.released, 0) << "signing with a released provider";
  EXPECT_EQ(dwKeySpec, provider.key.keySpec) << "the key specification is passed as it came";
  const std::vector<std::uint8_t>& signature = provider.key.signature;
  if (pbSignature != nullptr) {
    if (*pdwSigLen < signature.size()) {
      return fakes::failWith(234);  // more data
    }
    std::memcpy(pbSignature, signature.data(), signature.size());
  }
  *pdwSigLen = static_cast<DWORD>(signature.size());
  return TRUE;
}

BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash) {
  callLog().record("CryptDestroyHash");
  fakes::HashObject* hash = fakes::findHash(hHash, "CryptDestroyHash");
  if (hash == nullptr) {
    return FALSE;
  }
  ++hash->destroyed;
  return TRUE;
}

BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags) {
  callLog().record("CryptReleaseContext");
  EXPECT_EQ(dwFlags, 0u);
  fakes::Provider* provider = fakes::findProvider(hProv, "CryptReleaseContext");
  if (provider == nullptr) {
    return FALSE;
  }
  ++provider->released;
  return TRUE;
}

DWORD WINAPI GetLastError() {
  callLog().record("GetLastError");
  return state().lastError;
}

DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments) {
  if (callLog().fallible("FormatMessageA", std::to_string(dwMessageId))) {
    return 0;
  }
  EXPECT_EQ(dwFlags, FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM);
  EXPECT_EQ(lpSource, nullptr);
  EXPECT_EQ(dwLanguageId, 0x400u);
  EXPECT_EQ(nSize, 0u);
  EXPECT_EQ(Arguments, nullptr);
  const auto found = state().visible.systemTexts.find(dwMessageId);
  if (found == state().visible.systemTexts.end()) {
    return 0;
  }
  const std::string& text = found->second;
  auto* block = static_cast<char*>(fakes::allocate(text.size() + 1));
  std::memcpy(block, text.c_str(), text.size() + 1);
  *reinterpret_cast<char**>(lpBuffer) = block;
  return static_cast<DWORD>(text.size());
}

// The fake's ANSI code page is Latin-1: each byte is the code point of the same value.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  if (callLog().fallible("MultiByteToWideChar")) {
    return 0;
  }
  EXPECT_EQ(CodePage, CP_ACP);
  EXPECT_EQ(dwFlags, 0u);
  const std::size_t bytes =
      cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
  if (cchWideChar < static_cast<int>(bytes)) {
    return 0;
  }
  for (std::size_t i = 0; i < bytes; ++i) {
    lpWideCharStr[i] = static_cast<unsigned char>(lpMultiByteStr[i]);
  }
  return static_cast<int>(bytes);
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
  return fakes::allocate(uBytes);
}

HLOCAL WINAPI LocalFree(HLOCAL hMem) {
  callLog().record("LocalFree");
  if (hMem == nullptr) {
    return nullptr;
  }
  const auto found = state().heap.find(hMem);
  if (found == state().heap.end()) {
    ADD_FAILURE() << "LocalFree given a block that is not live";
    return hMem;
  }
  const auto* bytes = static_cast<const std::uint8_t*>(hMem);
  state().visible.freedBlocks.emplace_back(bytes, bytes + found->second);
  state().heap.erase(found);
  std::free(hMem);
  return nullptr;
}

}  // extern "C"
