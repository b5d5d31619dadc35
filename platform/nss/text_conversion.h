// Conversions between the UTF-16 texts of the Windows interface and the UTF-8 ones of NSS.
#pragma once

#include <string>

#include "platform/windows_declarations.h"

namespace varomel::nss {

// UTF-8 bytes as UTF-16; invalid sequences become U+FFFD.
std::u16string utf8ToUtf16(const unsigned char* bytes, std::size_t length);

bool isWellFormedUtf8(const unsigned char* bytes, std::size_t length);

// A zero-terminated UTF-16 text as UTF-8; lone surrogates become U+FFFD.
std::string utf16ToUtf8(LPCWSTR text);

void appendCodePoint(char32_t codePoint, std::u16string* out);

}  // namespace varomel::nss
