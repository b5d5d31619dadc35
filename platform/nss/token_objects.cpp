#include "platform/nss/token_objects.h"

#include <secmod.h>

#include "platform/nss/last_error.h"

namespace varomel::nss {

bool openTokenSession(PK11SlotInfo* slot, TokenSession* session) {
  session->functions = static_cast<const CK_FUNCTION_LIST*>(PK11_GetModule(slot)->functionList);
  session->handle = CK_INVALID_HANDLE;
  if (session->functions->C_OpenSession(PK11_GetSlotID(slot), CKF_SERIAL_SESSION, nullptr, nullptr,
                                        &session->handle) != CKR_OK) {
    session->handle = CK_INVALID_HANDLE;
    setLastError(error_code::kDatabaseUnavailable);
    return false;
  }
  return true;
}

void closeTokenSession(const TokenSession& session) {
  if (session.handle != CK_INVALID_HANDLE) {
    session.functions->C_CloseSession(session.handle);
  }
}

bool findCertificateObjects(const TokenSession& session, std::vector<CK_OBJECT_HANDLE>* objects) {
  CK_OBJECT_CLASS certificateClass = CKO_CERTIFICATE;
  CK_BBOOL onToken = CK_TRUE;
  CK_ATTRIBUTE wanted[] = {{CKA_CLASS, &certificateClass, sizeof certificateClass},
                           {CKA_TOKEN, &onToken, sizeof onToken}};
  if (session.functions->C_FindObjectsInit(session.handle, wanted, 2) != CKR_OK) {
    setLastError(error_code::kDatabaseUnavailable);
    return false;
  }
  CK_OBJECT_HANDLE found[64];
  CK_ULONG count = 0;
  CK_RV result = CKR_OK;
  while ((result = session.functions->C_FindObjects(session.handle, found, 64, &count)) == CKR_OK &&
         count > 0) {
    objects->insert(objects->end(), found, found + count);
  }
  session.functions->C_FindObjectsFinal(session.handle);
  if (result != CKR_OK) {
    setLastError(error_code::kDatabaseUnavailable);
    return false;
  }
  return true;
}

bool readAttribute(const TokenSession& session, CK_OBJECT_HANDLE object, CK_ATTRIBUTE_TYPE type,
                   std::vector<unsigned char>* buffer, CK_ULONG* length) {
  CK_ATTRIBUTE attribute{type, buffer->data(), buffer->size()};
  CK_RV result = session.functions->C_GetAttributeValue(session.handle, object, &attribute, 1);
  if (result == CKR_BUFFER_TOO_SMALL) {
    attribute = {type, nullptr, 0};
    result = session.functions->C_GetAttributeValue(session.handle, object, &attribute, 1);
    if (result == CKR_OK) {
      buffer->resize(attribute.ulValueLen);
      attribute.pValue = buffer->data();
      result = session.functions->C_GetAttributeValue(session.handle, object, &attribute, 1);
    }
  }
  if (result != CKR_OK) {
    setLastError(error_code::kDatabaseUnavailable);
    return false;
  }
  *length = attribute.ulValueLen;
  return true;
}

}  // namespace varomel::nss
