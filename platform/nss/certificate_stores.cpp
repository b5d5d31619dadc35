#include "platform/nss/certificate_stores.h"

#include <new>

#include "platform/nss/database.h"
#include "platform/nss/file_time.h"
#include "platform/nss/last_error.h"
#include "platform/nss/pkcs12_password.h"

namespace varomel::nss {

namespace {

void destroyStore(CertificateStore* store) {
  for (StoredCertificate* stored : store->certificates) {
    CERT_DestroyCertificate(stored->certificate);
    delete stored;
  }
  wipe(&store->packetPassword);
  delete store;
}

// Every certificate of the database's own slot: not the roots of NSS's trust module.
CertificateStore* snapshotPersonalStore() {
  PK11SlotInfo* slot = personalSlot();
  if (slot == nullptr) {
    return nullptr;
  }
  CERTCertList* list = PK11_ListCertsInSlot(slot);
  if (list == nullptr) {
    setLastErrorFromNss(error_code::kDatabaseUnavailable);
    return nullptr;
  }
  CertificateStore* store = newStore(true);
  bool complete = store != nullptr;
  for (CERTCertListNode* node = CERT_LIST_HEAD(list); complete && !CERT_LIST_END(node, list);
       node = CERT_LIST_NEXT(node)) {
    complete = addToStore(store, CERT_DupCertificate(node->cert));
  }
  CERT_DestroyCertList(list);
  if (!complete && store != nullptr) {
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
  auto* store = new (std::nothrow) CertificateStore{personal, {}, {}, {}};
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
  auto* stored = new (std::nothrow) StoredCertificate{};
  if (stored == nullptr) {
    CERT_DestroyCertificate(certificate);
    setLastError(error_code::kOutOfMemory);
    return false;
  }
  stored->certificate = certificate;
  stored->store = store;
  stored->index = store->certificates.size();
  stored->info.NotBefore = fileTimeOf(0);
  stored->info.NotAfter = fileTimeOf(0);
  PRTime notBefore = 0;
  PRTime notAfter = 0;
  if (CERT_GetCertTimes(certificate, &notBefore, &notAfter) == SECSuccess) {
    stored->info.NotBefore = fileTimeOf(notBefore);
    stored->info.NotAfter = fileTimeOf(notAfter);
  }
  stored->info.Subject = {certificate->derSubject.len, certificate->derSubject.data};
  stored->context = {X509_ASN_ENCODING | PKCS_7_ASN_ENCODING, certificate->derCert.data,
                     certificate->derCert.len, &stored->info};
  store->certificates.push_back(stored);
  return true;
}

CERTCertificate* certificateOf(PCCERT_CONTEXT context) {
  return reinterpret_cast<const StoredCertificate*>(context)->certificate;
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
  if (!varomel::nss::addToStore(store,
                                CERT_DupCertificate(varomel::nss::certificateOf(pCertContext)))) {
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
  auto* store = static_cast<CertificateStore*>(hCertStore);
  CERTCertificate* certificate = varomel::nss::certificateOf(pCertContext);
  if (store->personal && !varomel::nss::importIntoDatabase(certificate)) {
    return FALSE;
  }
  return CertAddCertificateLinkToStore(hCertStore, pCertContext, 0, ppStoreContext);
}
