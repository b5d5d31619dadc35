#include "platform/nss/text_conversion.h"

#include <cstring>

#include "platform/nss/last_error.h"

namespace varomel::nss {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes one sequence at bytes[0..length); returns the bytes it took (at least one).
std::size_t decodeUtf8(const unsigned char* bytes, std::size_t length, char32_t* codePoint) {
  const unsigned char lead = bytes[0];
  std::size_t extra = 0;
  char32_t value = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1, value = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2, value = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3, value = lead & 0x07, minimum = 0x10000;
  } else {
    *codePoint = kReplacement;
    return 1;
  }
  std::size_t taken = 1;
  for (; taken <= extra; ++taken) {
    if (taken >= length || !isContinuation(bytes[taken])) {
      *codePoint = kReplacement;
      return taken;
    }
    value = (value << 6) | (bytes[taken] & 0x3F);
  }
  const bool surrogate = value >= 0xD800 && value <= 0xDFFF;
  *codePoint = (value < minimum || value > 0x10FFFF || surrogate) ? kReplacement : value;
  return taken;
}

void appendUtf8(char32_t codePoint, std::string* out) {
  if (codePoint < 0x80) {
    out->push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

}  // namespace

void appendCodePoint(char32_t codePoint, std::u16string* out) {
  if (codePoint < 0x10000) {
    out->push_back(static_cast<char16_t>(codePoint));
  } else {
    codePoint -= 0x10000;
    out->push_back(static_cast<char16_t>(0xD800 | (codePoint >> 10)));
    out->push_back(static_cast<char16_t>(0xDC00 | (codePoint & 0x3FF)));
  }
}

std::u16string utf8ToUtf16(const unsigned char* bytes, std::size_t length) {
  std::u16string text;
  for (std::size_t at = 0; at < length;) {
    char32_t codePoint = 0;
    at += decodeUtf8(bytes + at, length - at, &codePoint);
    appendCodePoint(codePoint, &text);
  }
  return text;
}

bool isWellFormedUtf8(const unsigned char* bytes, std::size_t length) {
  for (std::size_t at = 0; at < length;) {
    char32_t codePoint = 0;
    const std::size_t taken = decodeUtf8(bytes + at, length - at, &codePoint);
    const bool literalReplacement =
        taken == 3 && bytes[at] == 0xEF && bytes[at + 1] == 0xBF && bytes[at + 2] == 0xBD;
    if (codePoint == kReplacement && !literalReplacement) {
      return false;
    }
    at += taken;
  }
  return true;
}

std::string utf16ToUtf8(LPCWSTR text) {
  std::string out;
  for (std::size_t at = 0; text[at] != 0; ++at) {
    char32_t unit = text[at];
    if (unit >= 0xD800 && unit <= 0xDBFF && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF) {
      unit = 0x10000 + ((unit - 0xD800) << 10) + (text[at + 1] - 0xDC00);
      ++at;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      unit = kReplacement;
    }
    appendUtf8(unit, &out);
  }
  return out;
}

}  // namespace varomel::nss

// The ANSI code page of this platform is UTF-8.
extern "C" int WINAPI MultiByteToWideChar(UINT, DWORD, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar) {
  using namespace varomel::nss;
  if (lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0) {
    setLastError(error_code::kInvalidArgument);
    return 0;
  }
  const std::size_t length =
      cbMultiByte < 0 ? std::strlen(lpMultiByteStr) + 1 : static_cast<std::size_t>(cbMultiByte);
  const std::u16string wide =
      utf8ToUtf16(reinterpret_cast<const unsigned char*>(lpMultiByteStr), length);
  if (cchWideChar == 0) {
    return static_cast<int>(wide.size());
  }
  if (wide.size() > static_cast<std::size_t>(cchWideChar)) {
    setLastError(error_code::kInsufficientBuffer);
    return 0;
  }
  std::memcpy(lpWideCharStr, wide.data(), wide.size() * sizeof(WCHAR));
  return static_cast<int>(wide.size());
}
