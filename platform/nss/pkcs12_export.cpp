// PKCS #12 export of a store's certificates with their private keys: keys shrouded and
// certificates encrypted under the password, the whole under a SHA-1 MAC.
#include <p12.h>
#include <pk11pub.h>

#include <cstring>

#include "platform/nss/certificate_stores.h"
#include "platform/nss/database.h"
#include "platform/nss/last_error.h"
#include "platform/nss/pkcs12_password.h"
#include "platform/nss/text_conversion.h"

namespace varomel::nss {

namespace {

// Triple DES with SHA-1 key derivation: the one PBE that every PKCS #12 reader accepts.
constexpr SECOidTag kPbeAlgorithm = SEC_OID_PKCS12_V2_PBE_WITH_SHA1_AND_3KEY_TRIPLE_DES_CBC;

void appendOutput(void* packet, const char* bytes, unsigned long length) {
  auto* out = static_cast<std::vector<unsigned char>*>(packet);
  out->insert(out->end(), bytes, bytes + length);
}

bool hasPrivateKey(PCCERT_CONTEXT context) {
  SECKEYPrivateKey* key = privateKeyOf(context);
  if (key == nullptr) {
    return false;
  }
  SECKEY_DestroyPrivateKey(key);
  return true;
}

bool addEveryCertificate(SEC_PKCS12ExportContext* context, const CertificateStore& store,
                         SECItem* password) {
  for (const StoredCertificate* stored : store.certificates) {
    CERTCertificate* certificate = certificateOf(&stored->context);
    if (certificate == nullptr || !hasPrivateKey(&stored->context)) {
      return false;
    }
    SEC_PKCS12SafeInfo* certificateSafe =
        SEC_PKCS12CreatePasswordPrivSafe(context, password, kPbeAlgorithm);
    SEC_PKCS12SafeInfo* keySafe = SEC_PKCS12CreateUnencryptedSafe(context);
    if (certificateSafe == nullptr || keySafe == nullptr ||
        SEC_PKCS12AddCertAndKey(context, certificateSafe, nullptr, certificate,
                                CERT_GetDefaultCertDB(), keySafe, nullptr, PR_TRUE, password,
                                kPbeAlgorithm) != SECSuccess) {
      setLastErrorFromNss(error_code::kSigningFailed);
      return false;
    }
  }
  return true;
}

// NSS reads the password in place while it builds, so it takes the caller's copy.
bool buildPacket(const CertificateStore& store, std::string* password,
                 std::vector<unsigned char>* packet) {
  PK11SlotInfo* slot = personalSlot();
  if (slot == nullptr) {
    return false;
  }
  SEC_PKCS12ExportContext* context = SEC_PKCS12CreateExportContext(nullptr, nullptr, slot, nullptr);
  if (context == nullptr) {
    setLastErrorFromNss(error_code::kOutOfMemory);
    return false;
  }
  SECItem item{siBuffer, reinterpret_cast<unsigned char*>(password->data()),
               static_cast<unsigned>(password->size())};
  packet->clear();
  bool built = SEC_PKCS12AddPasswordIntegrity(context, &item, SEC_OID_SHA1) == SECSuccess;
  if (!built) {
    setLastErrorFromNss(error_code::kBadAlgorithm);
  }
  built = built && addEveryCertificate(context, store, &item);
  if (built && SEC_PKCS12Encode(context, appendOutput, packet) != SECSuccess) {
    setLastErrorFromNss(error_code::kSigningFailed);
    built = false;
  }
  SEC_PKCS12DestroyExportContext(context);
  return built;
}

}  // namespace

}  // namespace varomel::nss

using varomel::nss::CertificateStore;
namespace error_code = varomel::nss::error_code;

// Salts are random, so the packet of a size query is kept in the store for the export that
// follows with the same password: both report the same length.
extern "C" BOOL WINAPI PFXExportCertStore(HCERTSTORE hStore, CRYPT_DATA_BLOB* pPFX,
                                          LPCWSTR szPassword, DWORD dwFlags) {
  auto* store = static_cast<CertificateStore*>(hStore);
  if ((dwFlags & EXPORT_PRIVATE_KEYS) == 0 || store == nullptr) {
    varomel::nss::setLastError(error_code::kInvalidArgument);
    return FALSE;
  }
  std::vector<unsigned char> password = varomel::nss::bmpPassword(szPassword);
  if (store->packet.empty() || store->packetPassword != password) {
    std::string text =
        szPassword == nullptr ? std::string() : varomel::nss::utf16ToUtf8(szPassword);
    const bool built = varomel::nss::buildPacket(*store, &text, &store->packet);
    varomel::nss::wipe(&text);
    varomel::nss::wipe(&store->packetPassword);
    if (!built) {
      store->packet.clear();
      varomel::nss::wipe(&password);
      return FALSE;
    }
    store->packetPassword = password;
  }
  varomel::nss::wipe(&password);
  const auto length = static_cast<DWORD>(store->packet.size());
  if (pPFX->pbData == nullptr) {
    pPFX->cbData = length;
    return TRUE;
  }
  if (pPFX->cbData < length) {
    pPFX->cbData = length;
    varomel::nss::setLastError(error_code::kMoreData);
    return FALSE;
  }
  std::memcpy(pPFX->pbData, store->packet.data(), length);
  pPFX->cbData = length;
  return TRUE;
}
