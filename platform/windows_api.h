// The Windows certificate, cryptography and base services the library is written against.
// Windows builds take them from the toolchain; elsewhere our own declarations stand in, and a
// separate implementation (or a test double) provides them at link time.
#pragma once

#ifdef _WIN32
#include <windows.h>
// windows.h must come first.
#include <wincrypt.h>
#else
#include "platform/windows_declarations.h"
#endif
