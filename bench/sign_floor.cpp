// The floor of the benchmarks: the work itself with no JVM and no store walk. One RSA-2048
// PKCS #1 v1.5 signature of a SHA-1 DigestInfo with the signer's key in the NSS database named by
// VAROMEL_BENCH_DB, the encoding of the signer's certificate and key into one PKCS#12 packet with
// the export's protection, and the decoding of one PKCS#12 packet (VAROMEL_BENCH_P12, password
// VAROMEL_BENCH_PASSWORD) by NSS.
#include <benchmark/benchmark.h>
#include <cert.h>
#include <nss.h>
#include <p12.h>
#include <p12plcy.h>
#include <pk11pub.h>
#include <secerr.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

// SHA-1 DigestInfo prefix followed by a 20-byte digest.
constexpr std::array<unsigned char, 35> kDigestInfo = {
    0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2b, 0x0e, 0x03, 0x02, 0x1a, 0x05,
    0x00, 0x04, 0x14, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a,
    0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a, 0x5a};

std::string environment(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr) {
    throw std::runtime_error(std::string(name) + " is not set");
  }
  return value;
}

SECKEYPrivateKey* firstPrivateKey() {
  PK11SlotInfo* slot = PK11_GetInternalKeySlot();
  SECKEYPrivateKeyList* keys = PK11_ListPrivateKeysInSlot(slot);
  PK11_FreeSlot(slot);
  if (keys == nullptr || PRIVKEY_LIST_END(PRIVKEY_LIST_HEAD(keys), keys)) {
    throw std::runtime_error("the database holds no private key");
  }
  SECKEYPrivateKey* key = SECKEY_CopyPrivateKey(PRIVKEY_LIST_HEAD(keys)->key);
  SECKEY_DestroyPrivateKeyList(keys);
  return key;
}

void BM_SignDigestInfo(benchmark::State& state) {
  SECKEYPrivateKey* key = firstPrivateKey();
  std::vector<unsigned char> signature(PK11_SignatureLen(key));
  SECItem input = {siBuffer, const_cast<unsigned char*>(kDigestInfo.data()),
                   static_cast<unsigned int>(kDigestInfo.size())};
  for (auto _ : state) {
    SECItem output = {siBuffer, signature.data(), static_cast<unsigned int>(signature.size())};
    if (PK11_SignWithMechanism(key, CKM_RSA_PKCS, nullptr, &output, &input) != SECSuccess) {
      state.SkipWithError("PK11_SignWithMechanism failed");
      break;
    }
    benchmark::DoNotOptimize(signature.data());
  }
  SECKEY_DestroyPrivateKey(key);
}
BENCHMARK(BM_SignDigestInfo)->Unit(benchmark::kMicrosecond);

void appendOutput(void* packet, const char* bytes, unsigned long length) {
  auto* out = static_cast<std::vector<unsigned char>*>(packet);
  out->insert(out->end(), bytes, bytes + length);
}

// The export's protection: certificate and shrouded key under PBE SHA-1 with Triple DES, SHA-1
// MAC, each with NSS's default iteration count.
bool encodePacket(CERTCertificate* certificate, SECItem* password,
                  std::vector<unsigned char>* packet) {
  constexpr SECOidTag kPbe = SEC_OID_PKCS12_V2_PBE_WITH_SHA1_AND_3KEY_TRIPLE_DES_CBC;
  PK11SlotInfo* slot = PK11_GetInternalKeySlot();
  SEC_PKCS12ExportContext* context = SEC_PKCS12CreateExportContext(nullptr, nullptr, slot, nullptr);
  bool encoded = context != nullptr &&
                 SEC_PKCS12AddPasswordIntegrity(context, password, SEC_OID_SHA1) == SECSuccess;
  if (encoded) {
    SEC_PKCS12SafeInfo* certificateSafe = SEC_PKCS12CreatePasswordPrivSafe(context, password, kPbe);
    SEC_PKCS12SafeInfo* keySafe = SEC_PKCS12CreateUnencryptedSafe(context);
    packet->clear();
    encoded = certificateSafe != nullptr && keySafe != nullptr &&
              SEC_PKCS12AddCertAndKey(context, certificateSafe, nullptr, certificate,
                                      CERT_GetDefaultCertDB(), keySafe, nullptr, PR_TRUE,
                                      password, kPbe) == SECSuccess &&
              SEC_PKCS12Encode(context, appendOutput, packet) == SECSuccess;
  }
  if (context != nullptr) {
    SEC_PKCS12DestroyExportContext(context);
  }
  PK11_FreeSlot(slot);
  return encoded;
}

void BM_EncodePkcs12(benchmark::State& state) {
  SECKEYPrivateKey* key = firstPrivateKey();
  CERTCertificate* certificate = PK11_GetCertFromPrivateKey(key);
  std::string text = environment("VAROMEL_BENCH_PASSWORD");
  SECItem password = {siBuffer, reinterpret_cast<unsigned char*>(text.data()),
                      static_cast<unsigned int>(text.size())};
  std::vector<unsigned char> packet;
  for (auto _ : state) {
    if (certificate == nullptr || !encodePacket(certificate, &password, &packet)) {
      state.SkipWithError("the PKCS#12 packet was not encoded");
      break;
    }
    benchmark::DoNotOptimize(packet.data());
  }
  if (certificate != nullptr) {
    CERT_DestroyCertificate(certificate);
  }
  SECKEY_DestroyPrivateKey(key);
}
BENCHMARK(BM_EncodePkcs12)->Unit(benchmark::kMicrosecond);

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// NSS takes PKCS#12 passwords as big-endian UCS-2 with a terminating zero.
std::vector<unsigned char> ucs2Password(const std::string& password) {
  std::vector<unsigned char> ucs2;
  for (char c : password) {
    ucs2.push_back(0);
    ucs2.push_back(static_cast<unsigned char>(c));
  }
  ucs2.push_back(0);
  ucs2.push_back(0);
  return ucs2;
}

bool decodeAndVerify(std::vector<unsigned char>& packet, std::vector<unsigned char>& password) {
  PK11SlotInfo* slot = PK11_GetInternalKeySlot();
  SECItem passwordItem = {siBuffer, password.data(), static_cast<unsigned int>(password.size())};
  SEC_PKCS12DecoderContext* decoder = SEC_PKCS12DecoderStart(&passwordItem, slot, nullptr, nullptr,
                                                             nullptr, nullptr, nullptr, nullptr);
  bool decoded = decoder != nullptr &&
                 SEC_PKCS12DecoderUpdate(decoder, packet.data(), packet.size()) == SECSuccess &&
                 SEC_PKCS12DecoderVerify(decoder) == SECSuccess;
  if (decoder != nullptr) {
    SEC_PKCS12DecoderFinish(decoder);
  }
  PK11_FreeSlot(slot);
  return decoded;
}

void BM_DecodePkcs12(benchmark::State& state) {
  std::vector<unsigned char> packet = readFile(environment("VAROMEL_BENCH_P12"));
  std::vector<unsigned char> password = ucs2Password(environment("VAROMEL_BENCH_PASSWORD"));
  for (auto _ : state) {
    if (!decodeAndVerify(packet, password)) {
      state.SkipWithError("the PKCS#12 packet did not decode");
      break;
    }
  }
}
BENCHMARK(BM_DecodePkcs12)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (NSS_Init(("sql:" + environment("VAROMEL_BENCH_DB")).c_str()) != SECSuccess) {
    std::fprintf(stderr, "NSS_Init failed\n");
    return 1;
  }
  SEC_PKCS12EnableCipher(PKCS12_DES_EDE3_168, PR_TRUE);
  // The encoder turns the password into UCS-2 through this hook, as the library's export does.
  PORT_SetUCS2_ASCIIConversionFunction(
      [](PRBool toUnicode, unsigned char* in, unsigned int inLength, unsigned char* out,
         unsigned int outCapacity, unsigned int* outLength, PRBool) {
        return PORT_UCS2_UTF8Conversion(toUnicode, in, inLength, out, outCapacity, outLength);
      });
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  NSS_Shutdown();
  return 0;
}
