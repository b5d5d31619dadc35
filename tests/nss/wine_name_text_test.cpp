// The same names through Wine's crypt32 (a helper program under wine64) and through ours: a
// renderer nobody here wrote, for the names where Wine follows Windows' rules. The cases where
// Wine departs from them are in name_text_test.cpp with the texts the rules give.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

const std::vector<std::vector<Rdn>> kCorpus = {
    {{{"2.5.4.6", "PRINTABLESTRING:US"}},
     {{"2.5.4.8", "UTF8:Some State"}},
     {{"2.5.4.10", "UTF8:Acme, Inc."}},
     {{"2.5.4.11", "UTF8:Unit"}},
     {{"2.5.4.3", "UTF8:Jane Doe"}},
     {{"1.2.840.113549.1.9.1", "IA5STRING:jane@example.com"}}},
    {{{"2.5.4.3", "UTF8:Jane Doe"}, {"2.5.4.11", "UTF8:Dev"}}, {{"2.5.4.10", "UTF8:Org"}}},
    {{{"2.5.4.3", "UTF8:Jane"}, {"2.5.4.4", "UTF8:Doe"}, {"2.5.4.42", "UTF8:J"}}},
    {{{"2.5.4.4", "UTF8:Doe"}},
     {{"2.5.4.42", "UTF8:Jane"}},
     {{"2.5.4.43", "UTF8:J"}},
     {{"2.5.4.12", "UTF8:Boss"}},
     {{"2.5.4.9", "UTF8:1 Main St"}},
     {{"2.5.4.7", "UTF8:Town"}},
     {{"2.5.4.5", "PRINTABLESTRING:1234"}},
     {{"0.9.2342.19200300.100.1.25", "IA5STRING:example"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:7361792022686922"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:206C656164"}}},
    {{{"2.5.4.3", "UTF8:a+b"}}, {{"2.5.4.3", "UTF8:a=b"}}, {{"2.5.4.3", "UTF8:<a>"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:2331"}}, {{"2.5.4.3", "UTF8:a;b"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:610A62"}}},
    {{{"2.5.4.3", "FORMAT:UTF8,BMPSTRING:\xCE\xA9mega"}}},
    {{{"2.5.4.3", "IMPLICIT:20U,FORMAT:HEX,OCTETSTRING:E9"}}},
    {{{"2.5.4.3", "UTF8:\xC3\xA9t\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC"}}},
    {{{"2.5.4.3", "IA5STRING:plain"}}, {{"2.5.4.10", "PRINTABLESTRING:Plain Org"}}},
    {{{"1.2.840.113549.1.9.1", "IA5STRING:a,b@example.com"}}, {{"2.5.4.3", "NUMERICSTRING:42"}}},
    {{{"2.5.4.10", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:4F27427269656E"}}},
    {{{"2.5.4.11", "UTF8:R&D"}}},
    {{{"2.5.4.11", "UTF8:West (Unit)"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:2241"}}, {{"2.5.4.3", "UTF8:x>y"}}},
    {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:610D62"}}},
};

std::string hexOf(const std::vector<unsigned char>& bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex;
  for (const unsigned char byte : bytes) {
    hex.push_back(kDigits[byte >> 4]);
    hex.push_back(kDigits[byte & 0x0F]);
  }
  return hex;
}

std::string unitsInHex(const std::u16string& text) {
  std::string hex;
  char unit[5];
  for (const char16_t c : text) {
    std::snprintf(unit, sizeof unit, "%04X", static_cast<unsigned>(c));
    hex += unit;
  }
  return hex;
}

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    // The helper's standard output is in text mode: each line ends with "\r\n".
    const std::size_t last = end > start && text[end - 1] == '\r' ? end - 1 : end;
    lines.push_back(text.substr(start, last - start));
  }
  return lines;
}

TEST(NameTextAgainstWine, EveryNameOfTheCorpusGivesWinesText) {
  std::vector<std::u16string> ours;
  {
    std::ofstream names(pathInHome("names.txt"));
    for (const std::vector<Rdn>& rdns : kCorpus) {
      const std::vector<unsigned char> der = encodeName(rdns);
      names << hexOf(der) << "\n";
      ours.push_back(nameText(der));
    }
  }
  const std::string wine =
      runOrFail(std::string("WINEPREFIX=$HOME/wine WINEDEBUG=-all ") + VAROMEL_WINE64 + " " +
                VAROMEL_NAME_TEXT_HELPER + " <names.txt 2>/dev/null");
  const std::vector<std::string> theirs = linesOf(wine);
  ASSERT_EQ(theirs.size(), ours.size()) << wine;
  for (std::size_t i = 0; i < ours.size(); ++i) {
    EXPECT_EQ(unitsInHex(ours[i]), theirs[i]) << "name " << i << ": ours " << narrow(ours[i]);
  }
}

}  // namespace
}  // namespace varomel::nss::testing
