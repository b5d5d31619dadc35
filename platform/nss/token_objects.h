// The database's objects read through the token's own PKCS #11 functions, in a session of our
// own: NSS's attribute reads ask the token twice, for the size and then the value, and each ask
// is a query of the database.
#pragma once

#include <pk11pub.h>
#include <pkcs11.h>

#include <vector>

namespace varomel::nss {

struct TokenSession {
  const CK_FUNCTION_LIST* functions;
  CK_SESSION_HANDLE handle;
};

// False (and the last error set) when the token refuses a session.
bool openTokenSession(PK11SlotInfo* slot, TokenSession* session);
void closeTokenSession(const TokenSession& session);

// Every certificate object stored on the token, not those of sessions.
bool findCertificateObjects(const TokenSession& session, std::vector<CK_OBJECT_HANDLE>* objects);

// The attribute's value into `buffer`, which grows when the value does not fit; its length is
// `*length`. One ask of the token when it fits.
bool readAttribute(const TokenSession& session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                   std::vector<unsigned char>* buffer, CK_ULONG* length);

}  // namespace varomel::nss
