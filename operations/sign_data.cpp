#include "operations/sign_data.h"

#include <cstring>

#include "jni/failure.h"
#include "jni/memory.h"
#include "jni/results.h"
#include "store/personal_store.h"
#include "store/selection.h"

namespace varomel {

namespace {

constexpr char kNoPrivateKey[] = "Could not find private key";
constexpr char kNoHashObject[] = "Could not create a hash object";
constexpr char kNotHashed[] = "Could not hash data";
constexpr char kNoSignatureSize[] = "Getting signed certifcate size failed";
constexpr char kNoMemoryForSignature[] = "Memory allocation error while signing.";
constexpr char kNotSigned[] = "Could not sign new certificate";

// The private key of one signing, as the platform handed it out.
struct SigningKey {
  HCRYPTPROV_OR_NCRYPT_KEY_HANDLE provider;
  DWORD keySpec;
  BOOL mustRelease;
};

void releaseKey(const SigningKey& key) {
  if (key.mustRelease) {
    CryptReleaseContext(key.provider, 0);
  }
}

void throwDnNotConverted(JNIEnv* env) {
  throwIOException(env, "Memory allocation error while converting DN.");
}

// Hashes the data and asks for the signature's size: null, or the message of the step that
// failed.
const char* hashAndMeasure(HCRYPTHASH hash, const SigningInput& input, DWORD keySpec, DWORD* size) {
  if (!CryptHashData(hash, reinterpret_cast<const BYTE*>(input.data.elements),
                     static_cast<DWORD>(input.data.length), 0)) {
    return kNotHashed;
  }
  if (!CryptSignHashW(hash, keySpec, nullptr, 0, nullptr, size)) {
    return kNoSignatureSize;
  }
  return nullptr;
}

}  // namespace

ALG_ID chooseHashAlgorithm(const char* name) {
  ALG_ID algorithm = CALG_MD5;
  if (std::strcmp(name, "MD4") == 0) {
    algorithm = CALG_MD4;
  }
  if (std::strcmp(name, "SHA1") == 0) {
    algorithm = CALG_SHA1;
  }
  return algorithm;
}

bool signWithCertificate(JNIEnv* env, PCCERT_CONTEXT certificate, void* state, jbyteArray* result) {
  const SigningInput& input = *static_cast<const SigningInput*>(state);
  SigningKey key{0, 0, FALSE};
  if (!CryptAcquireCertificatePrivateKey(certificate, 0, nullptr, &key.provider, &key.keySpec,
                                         &key.mustRelease)) {
    throwIOException(env, kNoPrivateKey);
    return false;
  }
  HCRYPTHASH hash = 0;
  if (!CryptCreateHash(key.provider, input.algorithm, 0, 0, &hash)) {
    releaseKey(key);
    throwIOException(env, kNoHashObject);
    return false;
  }
  DWORD size = 0;
  const char* failure = hashAndMeasure(hash, input, key.keySpec, &size);
  BYTE* signature = nullptr;
  if (failure == nullptr && (signature = static_cast<BYTE*>(allocateBlock(size, 1))) == nullptr) {
    failure = kNoMemoryForSignature;
  }
  if (failure != nullptr) {
    CryptDestroyHash(hash);
    releaseKey(key);
    throwIOException(env, failure);
    return false;
  }
  const BOOL signedHash = CryptSignHashW(hash, key.keySpec, nullptr, 0, signature, &size);
  CryptDestroyHash(hash);
  if (!signedHash) {
    releaseKey(key);
    freeBlock(signature);
    throwIOException(env, kNotSigned);
    return false;
  }
  const jbyteArray array = newByteArrayResult(env, signature, size);
  freeBlock(signature);
  releaseKey(key);
  if (array == nullptr) {
    return false;
  }
  *result = array;
  return true;
}

jbyteArray signData(JNIEnv* env, jstring dn, jbyteArray data, jstring algorithm) {
  if (dn == nullptr || data == nullptr || algorithm == nullptr) {
    throwNullArgument(env, dn == nullptr ? "dn" : (data == nullptr ? "data" : "algorithm"));
    return nullptr;
  }
  const HCERTSTORE store = openPersonalStore(env);
  if (store == nullptr) {
    return nullptr;
  }
  const RequestedDn requested = takeRequestedDn(env, dn);
  if (requested.units == nullptr) {
    leavePendingOrFail(env, store, general_failure::kSignData);
    return nullptr;
  }
  SigningInput input{CALG_MD5, {nullptr, 0}};
  const SelectionAction action{signWithCertificate, &input, throwDnNotConverted};
  jbyteArray result = nullptr;
  const char* name = env->GetStringUTFChars(algorithm, nullptr);
  if (name != nullptr) {
    input.algorithm = chooseHashAlgorithm(name);
    env->ReleaseStringUTFChars(algorithm, name);
    input.data = takeByteElements(env, data);
  }
  if (input.data.elements == nullptr || !selectByDN(env, store, requested, action, &result)) {
    rethrowOrFail(env, store, general_failure::kSignData, [&] {
      releaseByteElements(env, data, input.data);
      releaseRequestedDn(env, dn, requested);
    });
    return nullptr;
  }
  closePersonalStore(env, store);
  releaseByteElements(env, data, input.data);
  releaseRequestedDn(env, dn, requested);
  return result;
}

}  // namespace varomel
