// Helpers of the NSS platform tests: a temporary HOME, external tools, files, certificates.
#pragma once

#include <string>
#include <vector>

#include "platform/windows_declarations.h"

namespace varomel::nss::testing {

struct CommandResult {
  int status;
  std::string output;
};

// Runs a shell command in the temporary HOME, with standard error joined to the output.
CommandResult run(const std::string& command);

// Runs a command and fails the test unless it succeeds; returns its output.
std::string runOrFail(const std::string& command);

std::string home();
std::string pathInHome(const std::string& name);
// Relative paths are in the temporary HOME.
std::vector<unsigned char> readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::vector<unsigned char>& bytes);

std::u16string utf16(const std::string& ascii);
std::string narrow(const std::u16string& text);

// A self-signed RSA certificate and its key, as cert.pem and key.pem under `stem`.
void makeCertificate(const std::string& stem, const std::string& subject,
                     const std::string& extra = "");

// The personal store's certificate whose DER matches the PEM file, or null; the store stays
// open for the caller to close.
PCCERT_CONTEXT findInPersonalStore(HCERTSTORE store, const std::string& pemPath);

// Imports a packet and adds its certificates to the personal store, as the library does.
bool importIntoPersonalStore(const std::string& packetPath, LPCWSTR password);

std::string lastErrorText();

struct Attribute {
  const char* oid;
  const char* value;  // an asn1parse -genconf value: type and contents
};

using Rdn = std::vector<Attribute>;

// The DER of a name, built by openssl's ASN.1 generator; a SET of several attributes comes out
// in DER order.
std::vector<unsigned char> encodeName(const std::vector<Rdn>& rdns);

// The X.500 text of a DER name as this platform renders it.
std::u16string nameText(std::vector<unsigned char> der);

}  // namespace varomel::nss::testing
