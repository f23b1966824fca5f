#!/usr/bin/env bash
# Signed packages (scripts/package --sign): with a throwaway code-signing certificate made here,
# every program and library of the unpacked x64 package verifies against it, and one changed by a
# byte after signing does not; the signed program still updates the virtual camera; SHA256SUMS
# passes `sha256sum -c`, and fails once a package is changed. A key that does not open leaves no
# package at all, never an unsigned one.
#   check-package-signed.sh BIN_FOLDER      (the x64 build's)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/../../scripts/lib/common.sh"
. "$here/../lib/checks.sh"
. "$here/../../scripts/lib/package.sh"
bin=$(cd "$1" && pwd)
skip_unless_runs_here "$bin/Tervolin.exe"
scratch_folder
verify() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1 && echo verified || echo refused; }

openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Tervolin test signer" \
    -addext "extendedKeyUsage=codeSigning" -addext "keyUsage=digitalSignature" \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
printf 'throwaway %s' "$RANDOM" >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/signer.pfx" \
    -passout "file:$work/password"
sign_pfx="$work/signer.pfx"
sign_password_file="$work/password"

zip=$(write_packages "$work/dist" "$bin")
name=$(basename "$zip" .zip)
(cd "$work" && unzip -q "$zip")
app="$work/$name"
pes=$(cd "$app" && find . -type f \( -name '*.exe' -o -name '*.dll' \) | sort)
expect "programs and libraries in the package" "*Tervolin.exe*lang/Tervolin.fr.dll*" "$(tr '\n' ' ' <<<"$pes")"
while IFS= read -r pe; do
    expect "$pe signed" verified "$(verify "$app/$pe")"
done <<<"$pes"
cp "$app/Tervolin.exe" "$work/changed.exe"
offset=$(($(stat -c %s "$work/changed.exe") / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$work/changed.exe" | tr -d ' ')
printf "\\x$(printf %02x $((byte ^ 1)))" | dd of="$work/changed.exe" bs=1 seek="$offset" conv=notrunc status=none
expect "a byte changed after signing" refused "$(verify "$work/changed.exe")"

TERVOLIN_VCAM=$(winpath "$work/camera")
export TERVOLIN_VCAM
cp "$bin/RevezoDaRur.dll" "$bin/walkthrough.exe" "$app/"
run_vcam "$bin" plug --version "SN9C250 0. 0. 5.11SBFgE" >/dev/null
status=0
wine "$app/walkthrough.exe" "$(winpath "$work/screens")" >"$work/walk.log" 2>&1 || status=$?
expect "the signed program updates" "0 image 133*" \
    "$status $(run_vcam "$bin" status | tr -d '\r' | sed -n 's/^flash holds: *//p')"

expect "checksums" "$name.zip: OK" "$(cd "$work/dist" && sha256sum -c SHA256SUMS 2>&1 || true)"
printf 'x' | dd of="$zip" bs=1 seek=100 conv=notrunc status=none
expect "checksums of a changed package" "$name.zip: FAILED*" "$(cd "$work/dist" && sha256sum -c SHA256SUMS 2>&1 || true)"

printf 'not the password' >"$work/wrong"
status=0
(sign_password_file="$work/wrong" && write_packages "$work/dist" "$bin") >/dev/null 2>&1 || status=$?
expect "a key that does not open" "failed, left:" "$([ "$status" -ne 0 ] && echo failed), left:$(ls "$work/dist")"

finish
