#include "platform/nss/certificate_stores.h"

#include <pk11pub.h>
#include <secder.h>

#include <new>

#include "platform/nss/database.h"
#include "platform/nss/file_time.h"
#include "platform/nss/last_error.h"
#include "platform/nss/pkcs12_password.h"

namespace varomel::nss {

namespace {

void destroyStore(CertificateStore* store) {
  for (StoredCertificate* stored : store->certificates) {
    if (stored->certificate != nullptr) {
      CERT_DestroyCertificate(stored->certificate);
    }
    if (stored->decoded != nullptr) {
      PORT_FreeArena(stored->decoded, PR_FALSE);
    }
    delete stored;
  }
  closeTokenSession(store->session);
  wipe(&store->packetPassword);
  delete store;
}

StoredCertificate* appendStored(CertificateStore* store) {
  auto* stored = new (std::nothrow) StoredCertificate{};
  if (stored == nullptr) {
    setLastError(error_code::kOutOfMemory);
    return nullptr;
  }
  stored->object = CK_INVALID_HANDLE;
  stored->store = store;
  stored->index = store->certificates.size();
  store->certificates.push_back(stored);
  return stored;
}

void setContext(StoredCertificate* stored, const SECItem& der, const SECItem& subject,
                PRTime notBefore, PRTime notAfter) {
  stored->info.NotBefore = fileTimeOf(notBefore);
  stored->info.NotAfter = fileTimeOf(notAfter);
  stored->info.Subject = {subject.len, subject.data};
  stored->context = {X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, der.data, der.len, &stored->info};
}

// Subject and validity straight from the DER, into an arena of the certificate's own. NSS's
// certificate objects cost a search of every token for each certificate, several times more
// than reading it from the database; the store only needs one for a certificate it exports or
// links into a memory store.
bool addDecodedToStore(CertificateStore* store, CK_OBJECT_HANDLE object, const SECItem& der) {
  PLArenaPool* arena = PORT_NewArena(DER_DEFAULT_CHUNKSIZE);
  if (arena == nullptr) {
    setLastError(error_code::kOutOfMemory);
    return false;
  }
  SECItem copy{};
  auto* fields = PORT_ArenaZNew(arena, CERTCertificate);
  if (fields == nullptr || SECITEM_CopyItem(arena, &copy, &der) != SECSuccess) {
    PORT_FreeArena(arena, PR_FALSE);
    setLastError(error_code::kOutOfMemory);
    return false;
  }
  PRTime notBefore = 0;
  PRTime notAfter = 0;
  // A record that does not decode as a certificate is left out, as NSS leaves it out of its lists.
  if (SEC_QuickDERDecodeItem(arena, fields, SEC_ASN1_GET(SEC_SignedCertificateTemplate), &copy) !=
          SECSuccess ||
      DER_DecodeTimeChoice(&notBefore, &fields->validity.notBefore) != SECSuccess ||
      DER_DecodeTimeChoice(&notAfter, &fields->validity.notAfter) != SECSuccess) {
    PORT_FreeArena(arena, PR_FALSE);
    return true;
  }
  StoredCertificate* stored = appendStored(store);
  if (stored == nullptr) {
    PORT_FreeArena(arena, PR_FALSE);
    return false;
  }
  stored->decoded = arena;
  stored->object = object;
  setContext(stored, copy, fields->derSubject, notBefore, notAfter);
  return true;
}

// Every certificate object of the database's own slot: not the roots of NSS's trust module.
bool addDatabaseCertificates(CertificateStore* store, PK11SlotInfo* slot) {
  std::vector<CK_OBJECT_HANDLE> objects;
  if (!openTokenSession(slot, &store->session) ||
      !findCertificateObjects(store->session, &objects)) {
    return false;
  }
  // Certificates are rarely above a few kilobytes; a larger one grows the buffer.
  std::vector<unsigned char> buffer(8192);
  for (const CK_OBJECT_HANDLE object : objects) {
    CK_ULONG length = 0;
    if (!readAttribute(store->session, object, CKA_VALUE, &buffer, &length)) {
      return false;
    }
    const SECItem der{siBuffer, buffer.data(), static_cast<unsigned>(length)};
    if (!addDecodedToStore(store, object, der)) {
      return false;
    }
  }
  return true;
}

// The key whose CKA_ID is the certificate object's, as NSS ties the two.
SECKEYPrivateKey* keyOfDatabaseObject(const TokenSession& session, CK_OBJECT_HANDLE object) {
  PK11SlotInfo* slot = personalSlot();
  std::vector<unsigned char> buffer(64);
  CK_ULONG length = 0;
  if (slot == nullptr || !readAttribute(session, object, CKA_ID, &buffer, &length)) {
    return nullptr;
  }
  SECItem id{siBuffer, buffer.data(), static_cast<unsigned>(length)};
  return PK11_FindKeyByKeyID(slot, &id, nullptr);
}

CertificateStore* snapshotPersonalStore() {
  PK11SlotInfo* slot = personalSlot();
  if (slot == nullptr) {
    return nullptr;
  }
  CertificateStore* store = newStore(true);
  if (store != nullptr && !addDatabaseCertificates(store, slot)) {
    destroyStore(store);
    return nullptr;
  }
  return store;
}

bool isPersonalStoreName(LPCWSTR name) {
  return name != nullptr && (name[0] == 'M' || name[0] == 'm') &&
         (name[1] == 'Y' || name[1] == 'y') && name[2] == 0;
}

// A certificate with this DER encoding already in the database's slot.
bool isInDatabase(PK11SlotInfo* slot, CERTCertificate* certificate) {
  const CK_OBJECT_HANDLE handle = PK11_FindCertInSlot(slot, certificate, nullptr);
  return handle != CK_INVALID_HANDLE;
}

// Certificates of one subject share a nickname in an NSS database; the subject text is one.
bool importIntoDatabase(CERTCertificate* certificate) {
  PK11SlotInfo* slot = personalSlot();
  if (slot == nullptr) {
    return false;
  }
  if (isInDatabase(slot, certificate)) {
    return true;
  }
  char* nickname = CERT_NameToAscii(&certificate->subject);
  const SECStatus status =
      PK11_ImportCert(slot, certificate, CK_INVALID_HANDLE,
                      nickname != nullptr ? nickname : "certificate", PR_FALSE);
  PORT_Free(nickname);
  if (status != SECSuccess) {
    setLastErrorFromNss(error_code::kDatabaseNotWritable);
    return false;
  }
  return true;
}

}  // namespace

CertificateStore* newStore(bool personal) {
  auto* store =
      new (std::nothrow) CertificateStore{personal, {nullptr, CK_INVALID_HANDLE}, {}, {}, {}};
  if (store == nullptr) {
    setLastError(error_code::kOutOfMemory);
  }
  return store;
}

bool addToStore(CertificateStore* store, CERTCertificate* certificate) {
  if (certificate == nullptr) {
    setLastError(error_code::kOutOfMemory);
    return false;
  }
  StoredCertificate* stored = appendStored(store);
  if (stored == nullptr) {
    CERT_DestroyCertificate(certificate);
    return false;
  }
  stored->certificate = certificate;
  PRTime notBefore = 0;
  PRTime notAfter = 0;
  if (CERT_GetCertTimes(certificate, &notBefore, &notAfter) != SECSuccess) {
    notBefore = 0;
    notAfter = 0;
  }
  setContext(stored, certificate->derCert, certificate->derSubject, notBefore, notAfter);
  return true;
}

CERTCertificate* certificateOf(PCCERT_CONTEXT context) {
  auto* stored = reinterpret_cast<StoredCertificate*>(const_cast<CERT_CONTEXT*>(context));
  if (stored->certificate == nullptr) {
    SECItem der{siBuffer, stored->context.pbCertEncoded, stored->context.cbCertEncoded};
    stored->certificate =
        CERT_NewTempCertificate(CERT_GetDefaultCertDB(), &der, nullptr, PR_FALSE, PR_TRUE);
    if (stored->certificate == nullptr) {
      setLastErrorFromNss(error_code::kOutOfMemory);
    }
  }
  return stored->certificate;
}

SECKEYPrivateKey* privateKeyOf(PCCERT_CONTEXT context) {
  const auto* stored = reinterpret_cast<const StoredCertificate*>(context);
  SECKEYPrivateKey* key = nullptr;
  if (stored->object != CK_INVALID_HANDLE) {
    key = keyOfDatabaseObject(stored->store->session, stored->object);
  } else {
    CERTCertificate* certificate = certificateOf(context);
    if (certificate == nullptr) {
      return nullptr;
    }
    key = PK11_FindKeyByAnyCert(certificate, nullptr);
  }
  if (key == nullptr) {
    setLastError(error_code::kNoPrivateKey);
  }
  return key;
}

}  // namespace varomel::nss

using varomel::nss::CertificateStore;
using varomel::nss::StoredCertificate;
namespace error_code = varomel::nss::error_code;

extern "C" HCERTSTORE WINAPI CertOpenSystemStoreW(HCRYPTPROV_LEGACY, LPCWSTR szSubsystemProtocol) {
  if (!varomel::nss::isPersonalStoreName(szSubsystemProtocol)) {
    varomel::nss::setLastError(error_code::kFileNotFound);
    return nullptr;
  }
  return varomel::nss::snapshotPersonalStore();
}

extern "C" HCERTSTORE WINAPI CertOpenStore(LPCSTR lpszStoreProvider, DWORD, HCRYPTPROV_LEGACY,
                                           DWORD, const void*) {
  if (lpszStoreProvider != CERT_STORE_PROV_MEMORY) {
    varomel::nss::setLastError(error_code::kInvalidArgument);
    return nullptr;
  }
  return varomel::nss::newStore(false);
}

// Contexts live as long as their store, so closing frees them whether or not they were released.
extern "C" BOOL WINAPI CertCloseStore(HCERTSTORE hCertStore, DWORD) {
  if (hCertStore != nullptr) {
    varomel::nss::destroyStore(static_cast<CertificateStore*>(hCertStore));
  }
  return TRUE;
}

extern "C" PCCERT_CONTEXT WINAPI CertEnumCertificatesInStore(HCERTSTORE hCertStore,
                                                             PCCERT_CONTEXT pPrevCertContext) {
  const auto* store = static_cast<const CertificateStore*>(hCertStore);
  std::size_t next = 0;
  if (pPrevCertContext != nullptr) {
    next = reinterpret_cast<const StoredCertificate*>(pPrevCertContext)->index + 1;
  }
  if (store == nullptr || next >= store->certificates.size()) {
    varomel::nss::setLastError(error_code::kNotFound);
    return nullptr;
  }
  return &store->certificates[next]->context;
}

extern "C" BOOL WINAPI CertAddCertificateLinkToStore(HCERTSTORE hCertStore,
                                                     PCCERT_CONTEXT pCertContext, DWORD,
                                                     PCCERT_CONTEXT* ppStoreContext) {
  auto* store = static_cast<CertificateStore*>(hCertStore);
  CERTCertificate* certificate = varomel::nss::certificateOf(pCertContext);
  if (certificate == nullptr ||
      !varomel::nss::addToStore(store, CERT_DupCertificate(certificate))) {
    return FALSE;
  }
  if (ppStoreContext != nullptr) {
    *ppStoreContext = &store->certificates.back()->context;
  }
  return TRUE;
}

// Into the personal store means into the database; an equal certificate there stays as it is.
extern "C" BOOL WINAPI CertAddCertificateContextToStore(HCERTSTORE hCertStore,
                                                        PCCERT_CONTEXT pCertContext, DWORD,
                                                        PCCERT_CONTEXT* ppStoreContext) {
  if (static_cast<CertificateStore*>(hCertStore)->personal) {
    CERTCertificate* certificate = varomel::nss::certificateOf(pCertContext);
    if (certificate == nullptr || !varomel::nss::importIntoDatabase(certificate)) {
      return FALSE;
    }
  }
  return CertAddCertificateLinkToStore(hCertStore, pCertContext, 0, ppStoreContext);
}
