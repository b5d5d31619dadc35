// The system's text for the thread's last error, as a Java exception message.
#pragma once

namespace varomel {

// "Windows threw exception: " and the system's text, cut to 199 bytes as the system wrote it,
// then converted from the system's ANSI code page to the modified UTF-8 that JNI reads. Each
// byte becomes at most one UTF-16 unit and each unit at most three bytes.
struct WindowsErrorText {
  static constexpr int kCapacity = 200;
  char text[kCapacity * 3];
};

// Fills error from GetLastError, which is read before any other call.
void formatWindowsError(WindowsErrorText* error);

}  // namespace varomel
