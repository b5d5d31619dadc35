// CertNameToStrW over names that openssl encodes from a description of their RDNs, with the
// exact string type of every value. Among them the cases where Wine's renderer departs from
// Windows' rules (unknown OIDs, empty values, a trailing blank, UniversalString, a plain value
// with " & "): here they get the texts the rules give.
#include <gtest/gtest.h>

#include "tests/nss/tools.h"

namespace varomel::nss::testing {
namespace {

struct NameCase {
  const char* label;
  std::vector<Rdn> rdns;
  std::u16string expected;
};

const NameCase kNameCases[] = {
    {"typical subject",
     {{{"2.5.4.6", "PRINTABLESTRING:US"}},
      {{"2.5.4.8", "UTF8:Some State"}},
      {{"2.5.4.10", "UTF8:Acme, Inc."}},
      {{"2.5.4.11", "UTF8:Unit"}},
      {{"2.5.4.3", "UTF8:Jane Doe"}},
      {{"1.2.840.113549.1.9.1", "IA5STRING:jane@example.com"}}},
     u"C=US, S=Some State, O=\"Acme, Inc.\", OU=Unit, CN=Jane Doe, E=jane@example.com"},
    {"multi-valued RDN in encoded order",
     {{{"2.5.4.3", "UTF8:Jane Doe"}, {"2.5.4.11", "UTF8:Dev"}}, {{"2.5.4.10", "UTF8:Org"}}},
     u"OU=Dev + CN=Jane Doe, O=Org"},
    {"keywords",
     {{{"2.5.4.4", "UTF8:Doe"}},
      {{"2.5.4.42", "UTF8:Jane"}},
      {{"2.5.4.43", "UTF8:J"}},
      {{"2.5.4.12", "UTF8:Boss"}},
      {{"2.5.4.9", "UTF8:1 Main St"}},
      {{"2.5.4.7", "UTF8:Town"}},
      {{"2.5.4.5", "PRINTABLESTRING:1234"}},
      {{"0.9.2342.19200300.100.1.25", "IA5STRING:example"}},
      {{"2.5.4.17", "UTF8:12345"}},
      {{"2.5.4.46", "PRINTABLESTRING:q1"}}},
     u"SN=Doe, G=Jane, I=J, T=Boss, STREET=1 Main St, L=Town, SERIALNUMBER=1234, DC=example, "
     u"PostalCode=12345, dnQualifier=q1"},
    {"unknown OID", {{{"1.2.3.4", "UTF8:value"}}}, u"OID.1.2.3.4=value"},
    {"octet string in hexadecimal",
     {{{"1.2.3.5", "FORMAT:HEX,OCTETSTRING:01AB"}}},
     u"OID.1.2.3.5=#01AB"},
    {"empty value", {{{"2.5.4.3", "UTF8:"}}, {{"2.5.4.10", "UTF8:Org"}}}, u"CN=\"\", O=Org"},
    {"inner quotes doubled",
     {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:7361792022686922"}}},
     u"CN=\"say \"\"hi\"\"\""},
    {"leading and trailing blanks",
     {{{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:206C656164"}},
      {{"2.5.4.11", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:747261696C20"}}},
     u"CN=\" lead\", OU=\"trail \""},
    {"every special character",
     {{{"2.5.4.3", "UTF8:a+b"}},
      {{"2.5.4.3", "UTF8:a=b"}},
      {{"2.5.4.3", "UTF8:<a>"}},
      {{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:2331"}},
      {{"2.5.4.3", "UTF8:a;b"}},
      {{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:610A62"}}},
     u"CN=\"a+b\", CN=\"a=b\", CN=\"<a>\", CN=\"#1\", CN=\"a;b\", CN=\"a\nb\""},
    {"ampersand and blanks need no quotes",
     {{{"2.5.4.10", "UTF8:Smith & Sons"}}},
     u"O=Smith & Sons"},
    {"string types",
     {{{"2.5.4.3", "FORMAT:UTF8,BMPSTRING:\xCE\xA9mega"}},
      {{"2.5.4.3", "IMPLICIT:20U,FORMAT:HEX,OCTETSTRING:E9"}},
      {{"2.5.4.3", "IMPLICIT:20U,FORMAT:HEX,OCTETSTRING:C3A9"}},
      {{"2.5.4.3", "FORMAT:UTF8,UNIVERSALSTRING:\xF0\x9F\x98\x80"}},
      {{"2.5.4.3", "IMPLICIT:12U,FORMAT:HEX,OCTETSTRING:F0"}},
      {{"2.5.4.3", "IA5STRING:plain"}}},
     u"CN=\u03A9mega, CN=\u00E9, CN=\u00E9, CN=\U0001F600, CN=\uFFFD, CN=plain"},
};

TEST(NameText, RendersEachNameAsWindowsDoes) {
  for (const NameCase& nameCase : kNameCases) {
    SCOPED_TRACE(nameCase.label);
    EXPECT_EQ(nameText(encodeName(nameCase.rdns)), nameCase.expected)
        << narrow(nameText(encodeName(nameCase.rdns)));
  }
}

TEST(NameText, CutsTheTextToTheBufferAndTerminatesIt) {
  std::vector<unsigned char> der = encodeName({{{"2.5.4.3", "UTF8:Jane Doe"}}});
  CERT_NAME_BLOB blob{static_cast<DWORD>(der.size()), der.data()};
  WCHAR buffer[6] = {u'x', u'x', u'x', u'x', u'x', u'x'};
  EXPECT_EQ(CertNameToStrW(X509_ASN_ENCODING, &blob, CERT_X500_NAME_STR, buffer, 5), 5u);
  EXPECT_EQ(std::u16string(buffer), u"CN=J");
  EXPECT_EQ(buffer[5], u'x');
}

TEST(NameText, DamagedNameGivesTheEmptyText) {
  std::vector<unsigned char> der = encodeName({{{"2.5.4.3", "UTF8:Jane Doe"}}});
  der.resize(der.size() - 3);
  EXPECT_EQ(nameText(der), u"");
}

}  // namespace
}  // namespace varomel::nss::testing
