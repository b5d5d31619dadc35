// Certificate stores: the snapshot of the personal database and memory stores.
#pragma once

#include <cert.h>
#include <pk11pub.h>

#include <vector>

#include "platform/nss/token_objects.h"
#include "platform/windows_declarations.h"

namespace varomel::nss {

struct CertificateStore;

// One certificate of a store. The CERT_CONTEXT comes first so that a PCCERT_CONTEXT handed out
// leads back here. A certificate read from the database keeps its DER and decoded fields in
// `decoded`, and gets an NSS certificate only when an export or a link into a memory store needs
// one; a certificate from a packet comes with its NSS certificate, which then holds the DER and
// the subject.
struct StoredCertificate {
  CERT_CONTEXT context;
  CERT_INFO info;
  CERTCertificate* certificate;
  PLArenaPool* decoded;
  // The database object it was read from, which leads to its key by CKA_ID;
  // CK_INVALID_HANDLE otherwise.
  CK_OBJECT_HANDLE object;
  CertificateStore* store;
  std::size_t index;
};

struct CertificateStore {
  bool personal;
  // The session the snapshot read the database's objects in, closed with the store.
  TokenSession session;
  std::vector<StoredCertificate*> certificates;
  // The last packet built from this store, so that the size query and the export agree.
  std::vector<unsigned char> packet;
  std::vector<unsigned char> packetPassword;
};

CertificateStore* newStore(bool personal);

// Takes over the reference to `certificate`; false when out of memory.
bool addToStore(CertificateStore* store, CERTCertificate* certificate);

// The NSS certificate behind a context this platform handed out, made on first use; null (and
// the last error set) when it cannot be made.
CERTCertificate* certificateOf(PCCERT_CONTEXT context);

// The private key of a certificate this platform handed out; null (and the last error set) when
// it has none or it cannot be looked up.
SECKEYPrivateKey* privateKeyOf(PCCERT_CONTEXT context);

}  // namespace varomel::nss
