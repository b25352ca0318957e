#!/usr/bin/env bash
# Makes the signed-answer vectors in vectors/ with the openssl command alone, so the
# installer's verifier is checked against signatures that none of our code made.
# Each answer is written by hand in a non-canonical layout (members out of order,
# whitespace, escapes spelt differently); its canonical payload is written out
# here byte by byte, and the test compares our canonical form with the same bytes.
# Run once; commit vectors/. The private keys are thrown away.
set -euo pipefail
cd "$(dirname "$0")"
out=vectors
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

key() {  # key NAME BITS: a private key in $work and its public half in vectors/
  openssl genpkey -algorithm RSA -pkeyopt "rsa_keygen_bits:$2" -out "$work/$1.key" 2>/dev/null
  openssl pkey -in "$work/$1.key" -pubout -out "$out/$1.pem"
  openssl pkey -pubin -in "$out/$1.pem" -outform DER | sha256sum | cut -d' ' -f1
}

sign_dgst() {  # sign_dgst KEY SALT PAYLOAD: PSS over the payload, Base64 on one line
  openssl dgst -sha256 -sign "$work/$1.key" -sigopt rsa_padding_mode:pss -sigopt "rsa_pss_saltlen:$2" \
    -sigopt rsa_mgf1_md:sha256 "$3" | base64 -w0
}

sign_pkeyutl() {  # sign_pkeyutl KEY PAYLOAD: the same, the hash made first and signed raw
  openssl dgst -sha256 -binary "$2" >"$work/hash"
  openssl pkeyutl -sign -inkey "$work/$1.key" -in "$work/hash" -pkeyopt digest:sha256 \
    -pkeyopt rsa_padding_mode:pss -pkeyopt rsa_pss_saltlen:max -pkeyopt rsa_mgf1_md:sha256 | base64 -w0
}

nonce=000102030405060708090a0b0c0d0e0f1011121314151617
main=$(key key-4096 4096)
odd=$(key key-3073 3073)
# Keys that building a verifier must refuse: 2040 bits is 255 bytes of modulus, and
# an elliptic-curve key is not RSA at all.
key key-2040 2040 >/dev/null
openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$work/key-ec.key"
openssl pkey -in "$work/key-ec.key" -pubout -out "$out/key-ec.pem"

# A handshake answer, signed with openssl dgst and the maximal salt.
printf '%s' '{"issuer":{"environment":"production","signing_key_sha256":"'"$main"'"},"nonce":"'"$nonce"'","schema":"quillmar-installer-preflight-v1","server_time":"2030-01-02T03:04:05Z"}' >"$work/handshake"
cat >"$out/handshake-pss-max.json" <<JSON
{
  "server_time" : "2030-01-02T03:04:05Z",
  "sig_version" : 1,
  "nonce" : "$nonce",
  "signature" : "$(sign_dgst key-4096 max "$work/handshake")",
  "issuer" : { "signing_key_sha256" : "$main", "environment" : "production" },
  "sig_alg" : "RSA-PSS-SHA256-v1",
  "schema" : "quillmar-installer-preflight-v1"
}
JSON

# The same payload with a 32-byte salt, a common signer default: must be refused.
cat >"$out/handshake-pss-salt32.json" <<JSON
{"nonce":"$nonce","server_time":"2030-01-02T03:04:05Z","schema":"quillmar-installer-preflight-v1",
 "issuer":{"environment":"production","signing_key_sha256":"$main"},
 "sig_alg":"RSA-PSS-SHA256-v1","sig_version":1,"signature":"$(sign_dgst key-4096 32 "$work/handshake")"}
JSON

# A package answer with text outside ASCII, escapes, nested members and the
# largest package size, signed over a hash with openssl pkeyutl.
printf '%s' '{"download_url":"https://localhost:47443/api/v1/installer/download/quillmar-setup-1.5.13.exe","extra":{"empty":{},"list":[null,true,false,-7,0,18446744073709551615],"signature":"nested, so signed"},"filename":"Quillmar-Setup-1.5.13.exe","issuer":{"environment":"production","signing_key_sha256":"'"$main"'"},"nonce":"'"$nonce"'","notes":{"en":"Tab\there / \"quoted\" \u00e9 \ud83d\ude00","ru":"\u041d\u043e\u0432\u0430\u044f \u0432\u0435\u0440\u0441\u0438\u044f"},"platform":"windows_x86_64","schema":"quillmar-installer-authorize-v1","server_time":"2030-01-02T06:04:05.123+03:00","sha256":"9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08","size_bytes":2147483648,"version":"1.5.13"}' >"$work/package"
cat >"$out/package-pss-max.json" <<JSON
{
  "version": "1.5.13", "schema": "quillmar-installer-authorize-v1", "platform": "windows_x86_64",
  "filename": "Quillmar-Setup-1.5.13.exe", "size_bytes": 2147483648,
  "sha256": "9F86D081884C7D659A2FEAA0C55AD015A3BF4F1B2B0B822CD15D6C15B0F00A08",
  "download_url": "https:\/\/localhost:47443\/api\/v1\/installer\/download\/quillmar-setup-1.5.13.exe",
  "notes": {"ru": "Новая версия", "en": "Tab\there / \"quoted\" \u00E9 😀"},
  "extra": {"signature": "nested, so signed", "list": [null, true, false, -7, -0, 18446744073709551615], "empty": {}},
  "server_time": "2030-01-02T06:04:05.123+03:00",
  "nonce": "$nonce",
  "issuer": {"environment": "production", "signing_key_sha256": "$main"},
  "sig_alg": "RSA-PSS-SHA256-v1", "sig_version": 1,
  "signature": "$(sign_pkeyutl key-4096 "$work/package")"
}
JSON

# A 3073-bit key: the encoded message is one byte shorter than the modulus, so the
# maximal salt is 350 bytes, not modulus bytes - 34.
printf '%s' '{"issuer":{"environment":"production","signing_key_sha256":"'"$odd"'"},"nonce":"'"$nonce"'","server_time":"2030-01-02T03:04:05+00:00"}' >"$work/odd"
cat >"$out/odd-key-pss-max.json" <<JSON
{"signature":"$(sign_dgst key-3073 max "$work/odd")","sig_alg":"RSA-PSS-SHA256-v1","sig_version":1,
 "issuer":{"environment":"production","signing_key_sha256":"$odd"},"nonce":"$nonce","server_time":"2030-01-02T03:04:05+00:00"}
JSON

echo "key-4096 SHA-256: $main"
echo "key-3073 SHA-256: $odd"
