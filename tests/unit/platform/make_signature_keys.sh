#!/bin/sh
# The signature tests' keys and signatures, made fresh for each run in a folder of the
# build tree and removed after it: no key ever lives in the repository.
set -eu
dir=$1
rm -rf "$dir"
mkdir -p "$dir"
cd "$dir"
printf '<?xml version="1.0" encoding="UTF-8"?>\n<Catalog AppID="Acme.Notify" Serial="7"/>\n' > data.bin
for key in one two; do
  openssl ecparam -name prime256v1 -genkey -noout -out "$key.pem"
  openssl ec -in "$key.pem" -pubout -outform DER 2>/dev/null | base64 -w0 > "$key.pub"
  openssl dgst -sha256 -sign "$key.pem" -out "$key.sig" data.bin
done
openssl ecparam -name secp384r1 -genkey -noout -out p384.pem
openssl ec -in p384.pem -pubout -outform DER 2>/dev/null | base64 -w0 > p384.pub
