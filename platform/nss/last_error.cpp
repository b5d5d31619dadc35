#include "platform/nss/last_error.h"

#include <prerror.h>
#include <secerr.h>

#include <cstring>

namespace varomel::nss {

namespace {

thread_local DWORD lastError = 0;

struct ErrorText {
  DWORD code;
  const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {error_code::kFileNotFound, "The system store name is not known; only \"MY\" is.\r\n"},
    {error_code::kInvalidHandle, "The handle is not valid.\r\n"},
    {error_code::kInvalidPassword, "The password is not correct for this PKCS #12 packet.\r\n"},
    {error_code::kInsufficientBuffer, "The data area passed to a system call is too small.\r\n"},
    {error_code::kMoreData, "More data is available than the buffer holds.\r\n"},
    {error_code::kMessageNotFound, "No text is known for this message number.\r\n"},
    {error_code::kInvalidArgument, "The parameter is incorrect.\r\n"},
    {error_code::kOutOfMemory, "Not enough memory to complete this operation.\r\n"},
    {error_code::kBadData, "The PKCS #12 packet is damaged or is not a PKCS #12 packet.\r\n"},
    {error_code::kBadAlgorithm,
     "The packet or the key uses an algorithm this system does not support.\r\n"},
    {error_code::kDatabaseUnavailable,
     "The certificate database $HOME/.pki/nssdb could not be opened or created.\r\n"},
    {error_code::kDatabaseNotWritable,
     "The certificate database is locked by another program or is not writable.\r\n"},
    {error_code::kNoPrivateKey, "The certificate has no private key in the database.\r\n"},
    {error_code::kNotFound, "Cannot find object or property.\r\n"},
    {error_code::kSigningFailed,
     "The certificate database refused to use the private key for this operation.\r\n"},
};

const char* textOf(DWORD code) {
  for (const ErrorText& entry : kErrorTexts) {
    if (entry.code == code) {
      return entry.text;
    }
  }
  return nullptr;
}

DWORD codeOfNssError(PRErrorCode nssError, DWORD fallback) {
  switch (nssError) {
    case SEC_ERROR_BAD_PASSWORD:
    case SEC_ERROR_PKCS12_INVALID_MAC:
      return error_code::kInvalidPassword;
    case SEC_ERROR_BAD_DER:
    case SEC_ERROR_PKCS12_DECODING_PFX:
    case SEC_ERROR_PKCS12_CORRUPT_PFX_STRUCTURE:
    case SEC_ERROR_PKCS12_CERT_COLLISION:
    case SEC_ERROR_INPUT_LEN:
      return error_code::kBadData;
    case SEC_ERROR_PKCS12_UNSUPPORTED_MAC_ALGORITHM:
    case SEC_ERROR_PKCS12_UNSUPPORTED_TRANSPORT_MODE:
    case SEC_ERROR_PKCS12_UNSUPPORTED_PBE_ALGORITHM:
    case SEC_ERROR_PKCS12_UNSUPPORTED_VERSION:
    case SEC_ERROR_BAD_EXPORT_ALGORITHM:
    case SEC_ERROR_INVALID_ALGORITHM:
      return error_code::kBadAlgorithm;
    case SEC_ERROR_READ_ONLY:
    case SEC_ERROR_BAD_DATABASE:
    case SEC_ERROR_PKCS12_UNABLE_TO_WRITE:
    case SEC_ERROR_PKCS12_UNABLE_TO_IMPORT_KEY:
    case SEC_ERROR_TOKEN_NOT_LOGGED_IN:
    case SEC_ERROR_PKCS11_DEVICE_ERROR:
      return error_code::kDatabaseNotWritable;
    case SEC_ERROR_NO_MEMORY:
      return error_code::kOutOfMemory;
    case SEC_ERROR_NO_KEY:
      return error_code::kNoPrivateKey;
    default:
      return fallback;
  }
}

}  // namespace

void setLastError(DWORD code) { lastError = code; }

void setLastErrorFromNss(DWORD fallback) { setLastError(codeOfNssError(PR_GetError(), fallback)); }

}  // namespace varomel::nss

using varomel::nss::textOf;

extern "C" DWORD WINAPI GetLastError() { return varomel::nss::lastError; }

extern "C" DWORD WINAPI FormatMessageA(DWORD dwFlags, LPCVOID, DWORD dwMessageId, DWORD,
                                       LPSTR lpBuffer, DWORD nSize, va_list*) {
  const char* text = textOf(dwMessageId);
  if (text == nullptr || (dwFlags & FORMAT_MESSAGE_FROM_SYSTEM) == 0 || lpBuffer == nullptr) {
    varomel::nss::setLastError(varomel::nss::error_code::kMessageNotFound);
    return 0;
  }
  const std::size_t length = std::strlen(text);
  char* out = lpBuffer;
  if ((dwFlags & FORMAT_MESSAGE_ALLOCATE_BUFFER) != 0) {
    out = static_cast<char*>(LocalAlloc(LMEM_FIXED, length + 1));
    if (out == nullptr) {
      varomel::nss::setLastError(varomel::nss::error_code::kOutOfMemory);
      return 0;
    }
    *reinterpret_cast<char**>(lpBuffer) = out;
  } else if (nSize <= length) {
    varomel::nss::setLastError(varomel::nss::error_code::kInsufficientBuffer);
    return 0;
  }
  std::memcpy(out, text, length + 1);
  return static_cast<DWORD>(length);
}
