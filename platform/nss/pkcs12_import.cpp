// PKCS #12 import: keys and certificates go into the database, tied together; the packet's
// certificates come back in a memory store.
#include <cert.h>
#include <p12.h>
#include <prerror.h>
#include <secerr.h>

#include <cstring>

#include "platform/nss/certificate_stores.h"
#include "platform/nss/database.h"
#include "platform/nss/last_error.h"
#include "platform/nss/pkcs12_password.h"

namespace varomel::nss {

namespace {

// A certificate that comes without a friendly name, or whose name another subject already
// holds, is named after its subject, as the certificates of one subject share a nickname.
SECItem* subjectNickname(SECItem*, PRBool* cancel, void* certificate) {
  *cancel = PR_FALSE;
  char* subject = CERT_NameToAscii(&static_cast<CERTCertificate*>(certificate)->subject);
  const char* name = subject != nullptr && *subject != 0 ? subject : "imported certificate";
  const std::size_t length = std::strlen(name);
  SECItem* nickname = SECITEM_AllocItem(nullptr, nullptr, static_cast<unsigned>(length + 1));
  if (nickname != nullptr) {
    std::memcpy(nickname->data, name, length + 1);
    nickname->len = static_cast<unsigned>(length);
    nickname->type = siAsciiString;
  }
  PORT_Free(subject);
  return nickname;
}

// The password a decoder reads from until it finishes: NSS keeps a pointer to it.
struct DecoderPassword {
  std::vector<unsigned char> bytes;
  SECItem item;
};

// Decodes and checks the packet under one password; null with NSS's error when it does not fit.
SEC_PKCS12DecoderContext* openPacket(PK11SlotInfo* slot, const CRYPT_DATA_BLOB& blob,
                                     DecoderPassword* password) {
  password->item = {siBuffer, password->bytes.data(),
                    static_cast<unsigned>(password->bytes.size())};
  SEC_PKCS12DecoderContext* decoder = SEC_PKCS12DecoderStart(
      &password->item, slot, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
  if (decoder == nullptr) {
    return nullptr;
  }
  if (SEC_PKCS12DecoderUpdate(decoder, blob.pbData, blob.cbData) != SECSuccess ||
      SEC_PKCS12DecoderVerify(decoder) != SECSuccess) {
    const PRErrorCode reason = PR_GetError();
    SEC_PKCS12DecoderFinish(decoder);
    PR_SetError(reason, 0);
    return nullptr;
  }
  return decoder;
}

bool isPasswordRefusal(PRErrorCode error) {
  return error == SEC_ERROR_BAD_PASSWORD || error == SEC_ERROR_PKCS12_INVALID_MAC;
}

// No password: the empty one first (two zero bytes), then the absent one, as a packet made
// without a password may carry either.
SEC_PKCS12DecoderContext* openPacketWithPassword(PK11SlotInfo* slot, const CRYPT_DATA_BLOB& blob,
                                                 LPCWSTR password, DecoderPassword* used) {
  used->bytes = bmpPassword(password);
  SEC_PKCS12DecoderContext* decoder = openPacket(slot, blob, used);
  if (decoder == nullptr && password == nullptr && isPasswordRefusal(PR_GetError())) {
    wipe(&used->bytes);
    decoder = openPacket(slot, blob, used);
  }
  return decoder;
}

CertificateStore* storeOfPacketCertificates(SEC_PKCS12DecoderContext* decoder) {
  CERTCertList* list = SEC_PKCS12DecoderGetCerts(decoder);
  CertificateStore* store = list != nullptr ? newStore(false) : nullptr;
  bool complete = store != nullptr;
  for (CERTCertListNode* node = list != nullptr ? CERT_LIST_HEAD(list) : nullptr;
       complete && !CERT_LIST_END(node, list); node = CERT_LIST_NEXT(node)) {
    complete = addToStore(store, CERT_DupCertificate(node->cert));
  }
  if (list != nullptr) {
    CERT_DestroyCertList(list);
  }
  if (!complete) {
    if (store == nullptr) {
      setLastError(error_code::kOutOfMemory);
    }
    CertCloseStore(store, 0);
    return nullptr;
  }
  return store;
}

CertificateStore* importPacket(const CRYPT_DATA_BLOB& blob, LPCWSTR password) {
  PK11SlotInfo* slot = personalSlot();
  if (slot == nullptr) {
    return nullptr;
  }
  DecoderPassword used{};
  SEC_PKCS12DecoderContext* decoder = openPacketWithPassword(slot, blob, password, &used);
  if (decoder == nullptr) {
    setLastErrorFromNss(error_code::kBadData);
    wipe(&used.bytes);
    return nullptr;
  }
  CertificateStore* store = nullptr;
  if (SEC_PKCS12DecoderValidateBags(decoder, subjectNickname) != SECSuccess) {
    setLastErrorFromNss(error_code::kBadData);
  } else if (SEC_PKCS12DecoderImportBags(decoder) != SECSuccess) {
    setLastErrorFromNss(error_code::kDatabaseNotWritable);
  } else {
    store = storeOfPacketCertificates(decoder);
  }
  SEC_PKCS12DecoderFinish(decoder);
  wipe(&used.bytes);
  return store;
}

}  // namespace

}  // namespace varomel::nss

extern "C" HCERTSTORE WINAPI PFXImportCertStore(CRYPT_DATA_BLOB* pPFX, LPCWSTR szPassword, DWORD) {
  if (pPFX == nullptr || pPFX->pbData == nullptr || pPFX->cbData == 0) {
    varomel::nss::setLastError(varomel::nss::error_code::kBadData);
    return nullptr;
  }
  return varomel::nss::importPacket(*pPFX, szPassword);
}
