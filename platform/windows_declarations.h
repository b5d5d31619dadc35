// Declarations of the Windows types, constants and functions the library uses, for builds that
// have no Windows headers. Written from what our code needs; layouts hold only the fields read.
#pragma once

#include <cstddef>
#include <cstdint>

#define WINAPI

extern "C" {

typedef int BOOL;
typedef unsigned char BYTE;
typedef std::uint16_t WORD;
typedef std::uint32_t DWORD;
typedef std::int32_t LONG;
typedef unsigned int UINT;
typedef std::size_t SIZE_T;
typedef std::uintptr_t ULONG_PTR;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef void* HLOCAL;
typedef void* HCERTSTORE;
typedef ULONG_PTR HCRYPTPROV_LEGACY;

struct FILETIME {
  DWORD dwLowDateTime;
  DWORD dwHighDateTime;
};

struct SYSTEMTIME {
  WORD wYear;
  WORD wMonth;
  WORD wDayOfWeek;
  WORD wDay;
  WORD wHour;
  WORD wMinute;
  WORD wSecond;
  WORD wMilliseconds;
};

struct CRYPT_INTEGER_BLOB {
  DWORD cbData;
  BYTE* pbData;
};
typedef CRYPT_INTEGER_BLOB CERT_NAME_BLOB;
typedef CERT_NAME_BLOB* PCERT_NAME_BLOB;

struct CERT_INFO {
  FILETIME NotBefore;
  FILETIME NotAfter;
  CERT_NAME_BLOB Subject;
};
typedef CERT_INFO* PCERT_INFO;

struct CERT_CONTEXT {
  DWORD dwCertEncodingType;
  BYTE* pbCertEncoded;
  DWORD cbCertEncoded;
  PCERT_INFO pCertInfo;
};
typedef const CERT_CONTEXT* PCCERT_CONTEXT;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;
constexpr DWORD X509_ASN_ENCODING = 0x00000001;
constexpr DWORD PKCS_7_ASN_ENCODING = 0x00010000;
constexpr DWORD CERT_X500_NAME_STR = 3;
constexpr UINT LMEM_FIXED = 0;

HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol);
BOOL WINAPI CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags);
PCCERT_CONTEXT WINAPI CertEnumCertificatesInStore(HCERTSTORE hCertStore,
                                                  PCCERT_CONTEXT pPrevCertContext);
DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType,
                            LPWSTR psz, DWORD csz);

void WINAPI GetSystemTime(SYSTEMTIME* lpSystemTime);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime);
LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL WINAPI LocalFree(HLOCAL hMem);

}  // extern "C"
