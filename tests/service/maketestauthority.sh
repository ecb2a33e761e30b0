#!/bin/sh
# Usage: maketestauthority.sh DIR
# Makes in DIR a test certificate authority (ca.pem) and four server
# certificates with their keys (NAME.pem, NAME.key) for a service on
# 127.0.0.1: "good" (signed by the authority), "otherhost" (signed, but for
# another host), "expired" (signed, valid in 2020 only) and "selfsigned".
set -eu
cd "$1"
quiet() { "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }; }
here="IP:127.0.0.1,DNS:localhost"
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout ca.key -out ca.pem -days 3 \
    -subj /CN=zv-test-authority -addext basicConstraints=critical,CA:TRUE \
    -addext keyUsage=critical,keyCertSign,cRLSign
: > index.txt
echo 1000 > serial
cat > ca.cnf <<CNF
[ca]
default_ca = test
[test]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any
unique_subject = no
[any]
commonName = supplied
CNF
sign() { # NAME SAN START END
    quiet openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout "$1.key" -out "$1.csr" -subj "/CN=$1"
    printf 'subjectAltName=%s\nextendedKeyUsage=serverAuth\n' "$2" > "$1.ext"
    quiet openssl ca -batch -notext -config ca.cnf -cert ca.pem -keyfile ca.key -in "$1.csr" \
        -out "$1.pem" -extfile "$1.ext" -startdate "$3" -enddate "$4"
}
sign good "$here" 20200101000000Z 20991231000000Z
sign otherhost "DNS:otherhost.example" 20200101000000Z 20991231000000Z
sign expired "$here" 20200101000000Z 20210101000000Z
quiet openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -keyout selfsigned.key -out selfsigned.pem \
    -days 3 -subj /CN=selfsigned -addext "subjectAltName=$here"
