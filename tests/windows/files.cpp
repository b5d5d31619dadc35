#include "tests/windows/files.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace harness {

Bytes readFile(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  EXPECT_TRUE(in.good()) << "cannot read " << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& name, const Bytes& bytes) {
  std::ofstream out(name, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  EXPECT_TRUE(out.good()) << "cannot write " << name;
}

}  // namespace harness
