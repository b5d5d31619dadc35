// The X.500 text of an encoded name: RDNs in encoded order joined by ", ", the attributes of one
// RDN by " + ", X.500 keywords, values quoted where a reader would otherwise split them.
#include <cert.h>
#include <secasn1.h>

#include <cstring>
#include <string>

#include "platform/nss/last_error.h"
#include "platform/nss/text_conversion.h"

namespace varomel::nss {

namespace {

struct Keyword {
  const char* oid;
  const char* keyword;
};

constexpr Keyword kKeywords[] = {
    {"2.5.4.3", "CN"},
    {"2.5.4.4", "SN"},
    {"2.5.4.5", "SERIALNUMBER"},
    {"2.5.4.6", "C"},
    {"2.5.4.7", "L"},
    {"2.5.4.8", "S"},
    {"2.5.4.9", "STREET"},
    {"2.5.4.10", "O"},
    {"2.5.4.11", "OU"},
    {"2.5.4.12", "T"},
    {"2.5.4.13", "Description"},
    {"2.5.4.17", "PostalCode"},
    {"2.5.4.18", "POBox"},
    {"2.5.4.20", "Phone"},
    {"2.5.4.24", "X21Address"},
    {"2.5.4.42", "G"},
    {"2.5.4.43", "I"},
    {"2.5.4.46", "dnQualifier"},
    {"1.2.840.113549.1.9.1", "E"},
    {"0.9.2342.19200300.100.1.25", "DC"},
};

// DER tags of the string types a name's values come in.
enum Tag : unsigned char {
  kOctetString = 0x04,
  kUtf8String = 0x0C,
  kNumericString = 0x12,
  kPrintableString = 0x13,
  kT61String = 0x14,
  kVideotexString = 0x15,
  kIa5String = 0x16,
  kGraphicString = 0x19,
  kVisibleString = 0x1A,
  kGeneralString = 0x1B,
  kUniversalString = 0x1C,
  kBmpString = 0x1E,
};

// The dotted form of an OID ("2.5.4.3"), from its DER contents.
std::string dottedOid(const SECItem& oid) {
  std::string dotted;
  std::uint64_t arc = 0;
  bool first = true;
  for (unsigned i = 0; i < oid.len; ++i) {
    arc = (arc << 7) | (oid.data[i] & 0x7F);
    if ((oid.data[i] & 0x80) != 0) {
      continue;
    }
    if (first) {
      const std::uint64_t top = arc < 40 ? 0 : (arc < 80 ? 1 : 2);
      dotted = std::to_string(top) + "." + std::to_string(arc - top * 40);
      first = false;
    } else {
      dotted += "." + std::to_string(arc);
    }
    arc = 0;
  }
  return dotted;
}

std::string keywordOf(const SECItem& oid) {
  const std::string dotted = dottedOid(oid);
  for (const Keyword& entry : kKeywords) {
    if (dotted == entry.oid) {
      return entry.keyword;
    }
  }
  return "OID." + dotted;
}

// The contents of a DER value (tag, length, contents); false when it is not well formed.
bool splitValue(const SECItem& value, unsigned char* tag, const unsigned char** contents,
                std::size_t* length) {
  if (value.len < 2) {
    return false;
  }
  *tag = value.data[0];
  std::size_t at = 2;
  std::size_t size = value.data[1];
  if (size & 0x80) {
    const std::size_t octets = size & 0x7F;
    if (octets == 0 || octets > 4 || 2 + octets > value.len) {
      return false;
    }
    size = 0;
    for (std::size_t i = 0; i < octets; ++i) {
      size = (size << 8) | value.data[2 + i];
    }
    at += octets;
  }
  if (at + size != value.len) {
    return false;
  }
  *contents = value.data + at;
  *length = size;
  return true;
}

std::u16string latin1(const unsigned char* bytes, std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(bytes[i]);
  }
  return text;
}

std::u16string bigEndianUnits(const unsigned char* bytes, std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i + 1 < length; i += 2) {
    text.push_back(static_cast<char16_t>((bytes[i] << 8) | bytes[i + 1]));
  }
  return text;
}

std::u16string universalText(const unsigned char* bytes, std::size_t length) {
  std::u16string text;
  for (std::size_t i = 0; i + 3 < length; i += 4) {
    const char32_t codePoint = (char32_t{bytes[i]} << 24) | (char32_t{bytes[i + 1]} << 16) |
                               (char32_t{bytes[i + 2]} << 8) | bytes[i + 3];
    appendCodePoint(codePoint <= 0x10FFFF ? codePoint : 0xFFFD, &text);
  }
  return text;
}

std::u16string hexText(const unsigned char* bytes, std::size_t length) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::u16string text;
  for (std::size_t i = 0; i < length; ++i) {
    text.push_back(kDigits[bytes[i] >> 4]);
    text.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return text;
}

// A value as text, and whether it is a string (which may need quotes) or hexadecimal.
std::u16string valueText(const SECItem& value, bool* isString) {
  unsigned char tag = 0;
  const unsigned char* contents = nullptr;
  std::size_t length = 0;
  *isString = true;
  if (!splitValue(value, &tag, &contents, &length)) {
    *isString = false;
    return u"#" + hexText(value.data, value.len);
  }
  switch (tag) {
    case kUtf8String:
      return utf8ToUtf16(contents, length);
    case kT61String:
      // T.61 values are taken as UTF-8 where they are valid UTF-8, byte by byte otherwise.
      return isWellFormedUtf8(contents, length) ? utf8ToUtf16(contents, length)
                                                : latin1(contents, length);
    case kNumericString:
    case kPrintableString:
    case kVideotexString:
    case kIa5String:
    case kGraphicString:
    case kVisibleString:
    case kGeneralString:
      return latin1(contents, length);
    case kBmpString:
      return bigEndianUnits(contents, length);
    case kUniversalString:
      return universalText(contents, length);
    case kOctetString:
      *isString = false;
      return u"#" + hexText(contents, length);
    default:
      *isString = false;
      return u"#" + hexText(value.data, value.len);
  }
}

bool isBlank(char16_t unit) { return unit == u' ' || unit == u'\t'; }

bool needsQuotes(const std::u16string& text) {
  if (text.empty() || isBlank(text.front()) || isBlank(text.back())) {
    return true;
  }
  return text.find_first_of(u",+=\"<>#;\r\n") != std::u16string::npos;
}

std::u16string quoted(const std::u16string& text) {
  std::u16string out = u"\"";
  for (const char16_t unit : text) {
    out.push_back(unit);
    if (unit == u'"') {
      out.push_back(u'"');
    }
  }
  out.push_back(u'"');
  return out;
}

std::u16string attributeText(const CERTAVA& attribute) {
  const std::string keyword = keywordOf(attribute.type);
  std::u16string text(keyword.begin(), keyword.end());
  text.push_back(u'=');
  bool isString = true;
  const std::u16string value = valueText(attribute.value, &isString);
  text += isString && needsQuotes(value) ? quoted(value) : value;
  return text;
}

// False when the DER is not a name.
bool nameText(const CERT_NAME_BLOB& blob, std::u16string* text) {
  PLArenaPool* arena = PORT_NewArena(2048);
  if (arena == nullptr) {
    return false;
  }
  CERTName name{};
  SECItem encoded{siBuffer, blob.pbData, blob.cbData};
  const bool decoded =
      SEC_QuickDERDecodeItem(arena, &name, CERT_NameTemplate, &encoded) == SECSuccess;
  for (CERTRDN** rdn = decoded ? name.rdns : nullptr; rdn != nullptr && *rdn != nullptr; ++rdn) {
    if (rdn != name.rdns) {
      *text += u", ";
    }
    for (CERTAVA** attribute = (*rdn)->avas; attribute != nullptr && *attribute != nullptr;
         ++attribute) {
      if (attribute != (*rdn)->avas) {
        *text += u" + ";
      }
      *text += attributeText(**attribute);
    }
  }
  PORT_FreeArena(arena, PR_FALSE);
  return decoded;
}

}  // namespace

}  // namespace varomel::nss

// Without a buffer, the units needed with the terminator; with one, the text cut to fit and
// terminated, and the units written with the terminator.
extern "C" DWORD WINAPI CertNameToStrW(DWORD, PCERT_NAME_BLOB pName, DWORD, LPWSTR psz, DWORD csz) {
  std::u16string text;
  if (pName == nullptr || !varomel::nss::nameText(*pName, &text)) {
    varomel::nss::setLastError(varomel::nss::error_code::kBadData);
    text.clear();
  }
  const auto needed = static_cast<DWORD>(text.size() + 1);
  if (psz == nullptr || csz == 0) {
    return needed;
  }
  const DWORD units = needed < csz ? needed - 1 : csz - 1;
  std::memcpy(psz, text.data(), units * sizeof(WCHAR));
  psz[units] = 0;
  return units + 1;
}
