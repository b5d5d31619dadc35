// The calling thread's last error, and the codes this platform reports.
#pragma once

#include "platform/windows_declarations.h"

namespace varomel::nss {

namespace error_code {
constexpr DWORD kFileNotFound = 0x00000002;         // no such system store
constexpr DWORD kInvalidHandle = 0x00000006;        // a handle this platform did not hand out
constexpr DWORD kInvalidPassword = 0x00000056;      // the packet's password does not fit
constexpr DWORD kInsufficientBuffer = 0x0000007A;   // the caller's buffer is too small
constexpr DWORD kMoreData = 0x000000EA;             // the output does not fit the buffer
constexpr DWORD kMessageNotFound = 0x0000013D;      // no text for this message number
constexpr DWORD kInvalidArgument = 0x80070057;      // a flag or argument this platform refuses
constexpr DWORD kOutOfMemory = 0x8007000E;          // an allocation failed
constexpr DWORD kBadData = 0x80090005;              // damaged or not a PKCS #12 packet
constexpr DWORD kBadAlgorithm = 0x80090008;         // an algorithm this platform cannot use
constexpr DWORD kDatabaseUnavailable = 0x80090016;  // the NSS database did not open
constexpr DWORD kDatabaseNotWritable = 0x80070005;  // locked or read-only database
constexpr DWORD kNoPrivateKey = 0x8009200B;         // certificate without its private key
constexpr DWORD kNotFound = 0x80092004;             // no more certificates
constexpr DWORD kSigningFailed = 0x80090020;        // the token refused to sign or export
}  // namespace error_code

void setLastError(DWORD code);

// Sets the code for NSS's own error of this thread; `fallback` where NSS names no known cause.
void setLastErrorFromNss(DWORD fallback);

}  // namespace varomel::nss
