#include "platform/nss/database.h"

#include <nss.h>
#include <p12plcy.h>
#include <prinit.h>
#include <sys/stat.h>

#include <csignal>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/nss/last_error.h"
#include "platform/nss/pkcs12_password.h"

namespace varomel::nss {

namespace {

struct Database {
  NSSInitContext* context = nullptr;
  PK11SlotInfo* slot = nullptr;
};

bool isDirectory(const std::string& path) {
  struct stat status {};
  return stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool makeDirectory(const std::string& path) {
  return mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

// $HOME/.pki/nssdb, made when missing inside a HOME that exists; a missing HOME is not made.
bool makeDatabaseDirectory(const std::string& home) {
  return isDirectory(home) && makeDirectory(home + "/.pki") && makeDirectory(home + "/.pki/nssdb");
}

// Every PKCS #12 cipher NSS knows, so that old packets (RC2, RC4, 3DES) import too.
void enablePkcs12Ciphers() {
  constexpr long kCiphers[] = {PKCS12_RC2_CBC_40,  PKCS12_RC2_CBC_128, PKCS12_RC4_40,
                               PKCS12_RC4_128,     PKCS12_DES_56,      PKCS12_DES_EDE3_168,
                               PKCS12_AES_CBC_128, PKCS12_AES_CBC_192, PKCS12_AES_CBC_256};
  for (const long cipher : kCiphers) {
    SEC_PKCS12EnableCipher(cipher, PR_TRUE);
  }
}

// NSPR ignores SIGPIPE when it starts, and a JVM checking its handlers (-Xcheck:jni) reports
// the change. NSPR starts alone first, so the host's handler is back within microseconds
// rather than after the whole database opening; we use no sockets that would need the change.
void startNsprKeepingSigpipe() {
  struct sigaction host {};
  sigaction(SIGPIPE, nullptr, &host);
  PR_Init(PR_USER_THREAD, PR_PRIORITY_NORMAL, 0);
  sigaction(SIGPIPE, &host, nullptr);
}

Database openDatabase() {
  Database database;
  const char* home = std::getenv("HOME");
  if (home == nullptr || *home == 0) {
    return database;
  }
  const std::string directory = std::string(home) + "/.pki/nssdb";
  if (!makeDatabaseDirectory(home)) {
    return database;
  }
  const std::string configuration = "sql:" + directory;
  startNsprKeepingSigpipe();
  database.context = NSS_InitContext(configuration.c_str(), "", "", "", nullptr,
                                     NSS_INIT_NOROOTINIT | NSS_INIT_OPTIMIZESPACE);
  if (database.context == nullptr) {
    return database;
  }
  database.slot = PK11_GetInternalKeySlot();
  // A fresh database gets the empty password, as `certutil -N --empty-password` gives it.
  if (database.slot != nullptr && PK11_NeedUserInit(database.slot)) {
    PK11_InitPin(database.slot, nullptr, "");
  }
  enablePkcs12Ciphers();
  installPasswordConversion();
  return database;
}

}  // namespace

PK11SlotInfo* personalSlot() {
  static std::once_flag opened;
  static Database database;
  std::call_once(opened, [] { database = openDatabase(); });
  if (database.slot == nullptr) {
    setLastError(error_code::kDatabaseUnavailable);
  }
  return database.slot;
}

}  // namespace varomel::nss
