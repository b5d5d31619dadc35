#include "jni/windows_error.h"

#include <cstdio>
#include <cstring>

#include "platform/windows_api.h"

namespace varomel {

namespace {

// A unit as modified UTF-8: U+0000 as two bytes, every other unit (surrogates included) on its
// own in one to three bytes.
char* appendModifiedUtf8(WCHAR unit, char* out) {
  const auto value = static_cast<unsigned>(unit);
  if (value != 0 && value < 0x80) {
    *out++ = static_cast<char>(value);
  } else if (value < 0x800) {
    *out++ = static_cast<char>(0xC0 | (value >> 6));
    *out++ = static_cast<char>(0x80 | (value & 0x3F));
  } else {
    *out++ = static_cast<char>(0xE0 | (value >> 12));
    *out++ = static_cast<char>(0x80 | ((value >> 6) & 0x3F));
    *out++ = static_cast<char>(0x80 | (value & 0x3F));
  }
  return out;
}

// An ANSI text as modified UTF-8. Should the code page refuse it, its ASCII survives and every
// other byte becomes '?'.
void ansiToModifiedUtf8(const char* ansi, char* out) {
  WCHAR wide[WindowsErrorText::kCapacity];
  const int units = MultiByteToWideChar(CP_ACP, 0, ansi, -1, wide, WindowsErrorText::kCapacity);
  if (units <= 0) {
    for (; *ansi != 0; ++ansi) {
      *out++ = static_cast<unsigned char>(*ansi) < 0x80 ? *ansi : '?';
    }
  } else {
    for (int i = 0; i < units && wide[i] != 0; ++i) {
      out = appendModifiedUtf8(wide[i], out);
    }
  }
  *out = 0;
}

}  // namespace

void formatWindowsError(WindowsErrorText* error) {
  const DWORD code = GetLastError();
  char* systemText = nullptr;
  const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM,
                                      nullptr, code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                      reinterpret_cast<LPSTR>(&systemText), 0, nullptr);
  char message[WindowsErrorText::kCapacity];
  if (length == 0 || systemText == nullptr) {
    std::snprintf(message, sizeof message, "Windows threw exception: error 0x%08lX",
                  static_cast<unsigned long>(code));
  } else {
    std::snprintf(message, sizeof message, "Windows threw exception: %s", systemText);
  }
  LocalFree(systemText);
  ansiToModifiedUtf8(message, error->text);
}

}  // namespace varomel
