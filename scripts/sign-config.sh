#!/usr/bin/env bash
# Signs a configuration for a launcher built with LAUNCHER_CONFIG_KEY:
#   bash scripts/sign-config.sh PRIVATE_KEY.pem pgame.ini
# writes the detached signature beside the file, as pgame.ini.sig (RSA
# PKCS#1 v1.5 over SHA-256). Serve both from the same folder of the server;
# sign again after every change to the file.
set -euo pipefail

if [ $# -ne 2 ]; then
    echo "usage: bash scripts/sign-config.sh PRIVATE_KEY.pem pgame.ini" >&2
    exit 2
fi
key=$1
file=$2
[ -f "$key" ] || { echo "no private key file $key" >&2; exit 2; }
[ -f "$file" ] || { echo "no file $file to sign" >&2; exit 2; }
command -v openssl >/dev/null 2>&1 || { echo "openssl is missing: run bash scripts/install-deps.sh" >&2; exit 2; }

# The launcher imports RSA keys (rsaEncryption) of 2048 bits or more.
bits=$(openssl pkey -in "$key" -noout -text 2>/dev/null | sed -n '1s/^Private-Key: (\([0-9]*\) bit.*/\1/p') || true
algorithm=$(openssl pkey -in "$key" -pubout -outform DER 2>/dev/null | od -An -tx1 -N 20 | tr -d ' \n') || true
if [ -z "$bits" ] || [ "$bits" -lt 2048 ] || [[ "$algorithm" != *06092a864886f70d0101010500* ]]; then
    echo "$key must be a private RSA key in PEM form, of 2048 bits or more" >&2
    exit 2
fi

openssl dgst -sha256 -sign "$key" -out "$file.sig" "$file"
# What the launcher will do with it, once here.
openssl pkey -in "$key" -pubout | openssl dgst -sha256 -verify /dev/stdin -signature "$file.sig" "$file" >/dev/null
echo "$file.sig"
