// Private keys of certificates, hashes and PKCS #1 v1.5 signatures in the Windows byte order.
#include <cryptohi.h>
#include <keyhi.h>
#include <nettle/nettle-meta.h>
#include <pk11pub.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "platform/nss/certificate_stores.h"
#include "platform/nss/last_error.h"

namespace varomel::nss {

namespace {

struct KeyProvider {
  SECKEYPrivateKey* key;
};

struct HashAlgorithm {
  ALG_ID id;
  const nettle_hash* nettle;
  // The DER of DigestInfo up to the digest itself.
  std::vector<unsigned char> digestInfoPrefix;
};

struct Hash {
  KeyProvider* provider;
  const HashAlgorithm* algorithm;
  std::vector<unsigned char> context;
  // Filled when the first signature is made; hashing more is refused after that.
  std::vector<unsigned char> digest;
};

const HashAlgorithm* findAlgorithm(ALG_ID id) {
  static const HashAlgorithm kAlgorithms[] = {
      {CALG_MD4,
       &nettle_md4,
       {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x04, 0x05,
        0x00, 0x04, 0x10}},
      {CALG_MD5,
       &nettle_md5,
       {0x30, 0x20, 0x30, 0x0C, 0x06, 0x08, 0x2A, 0x86, 0x48, 0x86, 0xF7, 0x0D, 0x02, 0x05, 0x05,
        0x00, 0x04, 0x10}},
      {CALG_SHA1,
       &nettle_sha1,
       {0x30, 0x21, 0x30, 0x09, 0x06, 0x05, 0x2B, 0x0E, 0x03, 0x02, 0x1A, 0x05, 0x00, 0x04, 0x14}},
  };
  for (const HashAlgorithm& algorithm : kAlgorithms) {
    if (algorithm.id == id) {
      return &algorithm;
    }
  }
  return nullptr;
}

const std::vector<unsigned char>& finishedDigest(Hash* hash) {
  if (hash->digest.empty()) {
    hash->digest.resize(hash->algorithm->nettle->digest_size);
    hash->algorithm->nettle->digest(hash->context.data(), hash->digest.size(), hash->digest.data());
  }
  return hash->digest;
}

// RSA over the DigestInfo; the token gives the signature most significant byte first.
bool signDigestInfo(SECKEYPrivateKey* key, std::vector<unsigned char> digestInfo, BYTE* signature,
                    DWORD length) {
  SECItem input{siBuffer, digestInfo.data(), static_cast<unsigned>(digestInfo.size())};
  SECItem output{siBuffer, signature, length};
  if (PK11_SignWithMechanism(key, CKM_RSA_PKCS, nullptr, &output, &input) != SECSuccess) {
    setLastErrorFromNss(error_code::kSigningFailed);
    return false;
  }
  std::reverse(signature, signature + output.len);
  return true;
}

}  // namespace

}  // namespace varomel::nss

using varomel::nss::Hash;
using varomel::nss::KeyProvider;
namespace error_code = varomel::nss::error_code;

extern "C" BOOL WINAPI CryptAcquireCertificatePrivateKey(
    PCCERT_CONTEXT pCert, DWORD, void*, HCRYPTPROV_OR_NCRYPT_KEY_HANDLE* phCryptProvOrNCryptKey,
    DWORD* pdwKeySpec, BOOL* pfCallerFreeProvOrNCryptKey) {
  SECKEYPrivateKey* key = varomel::nss::privateKeyOf(pCert);
  if (key == nullptr) {
    return FALSE;
  }
  if (SECKEY_GetPrivateKeyType(key) != rsaKey) {
    SECKEY_DestroyPrivateKey(key);
    varomel::nss::setLastError(error_code::kBadAlgorithm);
    return FALSE;
  }
  auto* provider = new (std::nothrow) KeyProvider{key};
  if (provider == nullptr) {
    SECKEY_DestroyPrivateKey(key);
    varomel::nss::setLastError(error_code::kOutOfMemory);
    return FALSE;
  }
  *phCryptProvOrNCryptKey = reinterpret_cast<HCRYPTPROV_OR_NCRYPT_KEY_HANDLE>(provider);
  *pdwKeySpec = AT_KEYEXCHANGE;
  *pfCallerFreeProvOrNCryptKey = TRUE;
  return TRUE;
}

extern "C" BOOL WINAPI CryptReleaseContext(HCRYPTPROV hProv, DWORD) {
  auto* provider = reinterpret_cast<KeyProvider*>(hProv);
  if (provider == nullptr) {
    varomel::nss::setLastError(error_code::kInvalidHandle);
    return FALSE;
  }
  SECKEY_DestroyPrivateKey(provider->key);
  delete provider;
  return TRUE;
}

extern "C" BOOL WINAPI CryptCreateHash(HCRYPTPROV hProv, ALG_ID Algid, HCRYPTKEY, DWORD,
                                       HCRYPTHASH* phHash) {
  const varomel::nss::HashAlgorithm* algorithm = varomel::nss::findAlgorithm(Algid);
  if (algorithm == nullptr) {
    varomel::nss::setLastError(error_code::kBadAlgorithm);
    return FALSE;
  }
  auto* hash = new (std::nothrow) Hash{reinterpret_cast<KeyProvider*>(hProv), algorithm, {}, {}};
  if (hash == nullptr) {
    varomel::nss::setLastError(error_code::kOutOfMemory);
    return FALSE;
  }
  hash->context.resize(algorithm->nettle->context_size);
  algorithm->nettle->init(hash->context.data());
  *phHash = reinterpret_cast<HCRYPTHASH>(hash);
  return TRUE;
}

extern "C" BOOL WINAPI CryptHashData(HCRYPTHASH hHash, const BYTE* pbData, DWORD dwDataLen, DWORD) {
  auto* hash = reinterpret_cast<Hash*>(hHash);
  if (!hash->digest.empty()) {
    varomel::nss::setLastError(error_code::kInvalidArgument);
    return FALSE;
  }
  hash->algorithm->nettle->update(hash->context.data(), dwDataLen, pbData);
  return TRUE;
}

extern "C" BOOL WINAPI CryptSignHashW(HCRYPTHASH hHash, DWORD, LPCWSTR, DWORD, BYTE* pbSignature,
                                      DWORD* pdwSigLen) {
  auto* hash = reinterpret_cast<Hash*>(hHash);
  if (hash->provider == nullptr) {
    varomel::nss::setLastError(error_code::kNoPrivateKey);
    return FALSE;
  }
  const int modulusLength = PK11_SignatureLen(hash->provider->key);
  if (modulusLength <= 0) {
    varomel::nss::setLastError(error_code::kSigningFailed);
    return FALSE;
  }
  const auto needed = static_cast<DWORD>(modulusLength);
  if (pbSignature == nullptr) {
    *pdwSigLen = needed;
    return TRUE;
  }
  if (*pdwSigLen < needed) {
    *pdwSigLen = needed;
    varomel::nss::setLastError(error_code::kMoreData);
    return FALSE;
  }
  std::vector<unsigned char> digestInfo = hash->algorithm->digestInfoPrefix;
  const std::vector<unsigned char>& digest = varomel::nss::finishedDigest(hash);
  digestInfo.insert(digestInfo.end(), digest.begin(), digest.end());
  if (!varomel::nss::signDigestInfo(hash->provider->key, std::move(digestInfo), pbSignature,
                                    needed)) {
    return FALSE;
  }
  *pdwSigLen = needed;
  return TRUE;
}

extern "C" BOOL WINAPI CryptDestroyHash(HCRYPTHASH hHash) {
  delete reinterpret_cast<Hash*>(hHash);
  return TRUE;
}
