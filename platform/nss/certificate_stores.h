// Certificate stores: the snapshot of the personal database and memory stores.
#pragma once

#include <cert.h>

#include <vector>

#include "platform/windows_declarations.h"

namespace varomel::nss {

struct CertificateStore;

// One certificate of a store. The CERT_CONTEXT comes first so that a PCCERT_CONTEXT handed out
// leads back here; the DER bytes and the subject belong to the NSS certificate.
struct StoredCertificate {
  CERT_CONTEXT context;
  CERT_INFO info;
  CERTCertificate* certificate;
  CertificateStore* store;
  std::size_t index;
};

struct CertificateStore {
  bool personal;
  std::vector<StoredCertificate*> certificates;
  // The last packet built from this store, so that the size query and the export agree.
  std::vector<unsigned char> packet;
  std::vector<unsigned char> packetPassword;
};

CertificateStore* newStore(bool personal);

// Takes over the reference to `certificate`; false when out of memory.
bool addToStore(CertificateStore* store, CERTCertificate* certificate);

// The NSS certificate behind a context this platform handed out.
CERTCertificate* certificateOf(PCCERT_CONTEXT context);

}  // namespace varomel::nss
