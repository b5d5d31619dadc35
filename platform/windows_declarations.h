// Declarations of the Windows types, constants and functions the library uses, for builds that
// have no Windows headers. Written from what our code needs; layouts hold only the fields read.
#pragma once

#include <cstdarg>
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
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef const void* LPCVOID;
typedef void* HLOCAL;
typedef void* HCERTSTORE;
typedef ULONG_PTR HCRYPTPROV_LEGACY;
typedef ULONG_PTR HCRYPTPROV;
typedef ULONG_PTR HCRYPTHASH;
typedef ULONG_PTR HCRYPTKEY;
typedef ULONG_PTR HCRYPTPROV_OR_NCRYPT_KEY_HANDLE;
typedef unsigned int ALG_ID;

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
typedef CRYPT_INTEGER_BLOB CRYPT_DATA_BLOB;

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
constexpr UINT CP_ACP = 0;

constexpr DWORD CERT_CLOSE_STORE_FORCE_FLAG = 0x00000001;
#define CERT_STORE_PROV_MEMORY (reinterpret_cast<LPCSTR>(2))
constexpr DWORD CERT_STORE_CREATE_NEW_FLAG = 0x00002000;
constexpr DWORD CERT_STORE_ADD_REPLACE_EXISTING = 3;
constexpr DWORD CERT_STORE_ADD_ALWAYS = 4;

constexpr DWORD REPORT_NO_PRIVATE_KEY = 0x0001;
constexpr DWORD EXPORT_PRIVATE_KEYS = 0x0004;
constexpr DWORD CRYPT_EXPORTABLE = 0x00000001;
constexpr DWORD CRYPT_USER_PROTECTED = 0x00000002;
constexpr DWORD CRYPT_USER_KEYSET = 0x00001000;

constexpr DWORD AT_KEYEXCHANGE = 1;
constexpr DWORD AT_SIGNATURE = 2;
constexpr ALG_ID CALG_MD4 = 0x00008002;
constexpr ALG_ID CALG_MD5 = 0x00008003;
constexpr ALG_ID CALG_SHA1 = 0x00008004;

constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr WORD LANG_NEUTRAL = 0x00;
constexpr WORD SUBLANG_DEFAULT = 0x01;
#define MAKELANGID(primary, sub) ((static_cast<WORD>(sub) << 10) | static_cast<WORD>(primary))

HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY hProv, LPCWSTR szSubsystemProtocol);
BOOL WINAPI CertCloseStore(HCERTSTORE hCertStore, DWORD dwFlags);
PCCERT_CONTEXT WINAPI CertEnumCertificatesInStore(HCERTSTORE hCertStore,
                                                  PCCERT_CONTEXT pPrevCertContext);
DWORD WINAPI CertNameToStrW(DWORD dwCertEncodingType, PCERT_NAME_BLOB pName, DWORD dwStrType,
                            LPWSTR psz, DWORD csz);

HCERTSTORE WINAPI CertOpenStore(LPCSTR lpszStoreProvider, DWORD dwEncodingType,
                                HCRYPTPROV_LEGACY hCryptProv, DWORD dwFlags, const void* pvPara);
BOOL WINAPI CertAddCertificateLinkToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext,
                                          DWORD dwAddDisposition, PCCERT_CONTEXT* ppStoreContext);
BOOL WINAPI CertAddCertificateContextToStore(HCERTSTORE hCertStore, PCCERT_CONTEXT pCertContext,
                                             DWORD dwAddDisposition,
                                             PCCERT_CONTEXT* ppStoreContext);
BOOL WINAPI PFXExportCertStore(HCERTSTORE hStore, CRYPT_DATA_BLOB* pPFX, LPCWSTR szPassword,
                               DWORD dwFlags);
HCERTSTORE WINAPI PFXImportCertStore(CRYPT_DATA_BLOB* pPFX, LPCWSTR szPassword, DWORD dwFlags);

BOOL WINAPI
CryptAcquireCertificatePrivateKey(PCCERT_CONTEXT pCert, DWORD dwFlags, void* pvParameters,
                                  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE* phCryptProvOrNCryptKey,
                                  DWORD* pdwKeySpec, BOOL* pfCallerFreeProvOrNCryptKey);
BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY hKey, DWORD dwFlags,
                            HCRYPTHASH* phHash);
BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD dwFlags);
BOOL WINAPI CryptSignHashW(HCRYPTHASH hHash, DWORD dwKeySpec, LPCWSTR szDescription, DWORD dwFlags,
                           BYTE* pbSignature, DWORD* pdwSigLen);
BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash);
BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD dwFlags);

void WINAPI GetSystemTime(SYSTEMTIME* lpSystemTime);
BOOL WINAPI SystemTimeToFileTime(const SYSTEMTIME* lpSystemTime, FILETIME* lpFileTime);
LONG WINAPI CompareFileTime(const FILETIME* lpFileTime1, const FILETIME* lpFileTime2);

DWORD WINAPI GetLastError();
DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID lpSource, DWORD dwMessageId, DWORD dwLanguageId,
                            LPSTR lpBuffer, DWORD nSize, va_list* Arguments);
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);

HLOCAL WINAPI LocalAlloc(UINT uFlags, SIZE_T uBytes);
HLOCAL WINAPI LocalFree(HLOCAL hMem);

}  // extern "C"
