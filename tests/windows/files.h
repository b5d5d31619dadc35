// The files the test-data script made, in the folder the harness runs in.
#pragma once

#include <string>

#include "tests/windows/wine_store.h"

namespace harness {

// The whole file; a test failure when it cannot be read.
Bytes readFile(const std::string& name);
void writeFile(const std::string& name, const Bytes& bytes);

}  // namespace harness
