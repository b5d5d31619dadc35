#!/usr/bin/env bash
# Each damaged environment in a JVM of its own (the database is opened once per process): a HOME
# that does not exist, a HOME that cannot be written, a database folder that cannot be written
# (immutable, as root ignores permissions) and a corrupted cert9.db. Every method must throw its
# IOException and the files under HOME must be byte for byte what they were.
# Usage: damaged_environments.sh CLASS_PATH LIBRARY_DIR
set -euo pipefail
classpath=$1 library=$2
work=$(mktemp -d)
cleanup() {
  chattr -R -i "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
did_not_open='The system store did not open.\n'

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" \
  -days 30 -subj "/C=US/CN=Damaged Environment" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/packet.p12" \
  -passout pass:damaged

snapshot() {
  if [[ -e $1 ]]; then
    (cd "$1" && find . -printf '%p %s %m\n' | sort && find . -type f -exec sha256sum {} + | sort)
  else
    echo "absent"
  fi
}

check() {
  local name=$1 home=$2 before after
  echo "-- $name"
  before=$(snapshot "$home")
  HOME=$home java -Xcheck:jni -Djava.library.path="$library" -cp "$classpath" \
    quorlen.browser.DamagedEnvironmentCheck "$work/packet.p12" damaged "$did_not_open"
  after=$(snapshot "$home")
  if [[ $before != "$after" ]]; then
    echo "$name: files under HOME changed" >&2
    diff <(echo "$before") <(echo "$after") >&2 || true
    exit 1
  fi
}

new_database() {
  mkdir -p "$1/.pki/nssdb"
  certutil -N -d "sql:$1/.pki/nssdb" --empty-password
}

check "HOME does not exist" "$work/missing/home"

mkdir "$work/immutable-home"
chattr +i "$work/immutable-home"
check "HOME cannot be written" "$work/immutable-home"

new_database "$work/immutable-database"
chattr -R +i "$work/immutable-database/.pki/nssdb"
check "database folder cannot be written" "$work/immutable-database"

new_database "$work/corrupted"
head -c 65536 /dev/urandom >"$work/corrupted/.pki/nssdb/cert9.db"
check "cert9.db corrupted" "$work/corrupted"
