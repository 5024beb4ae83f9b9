#!/bin/sh
# Version files for the update tests, signed by tools/sign-release as a release is:
#   make_update_fixtures.sh SOURCE_DIR INSTALLER OUTPUT_DIR
# newer/equal/older.txt against the version resource 1.0.0.20, signed with the development key;
# other-key.txt signed with a key that no build trusts.
set -eu
source=$1 installer=$2 out=$3
mkdir -p "$out"
cp "$installer" "$out/installer.exe"
sign="$source/tools/sign-release"
"$sign" 1,0,0,21 "$out/installer.exe" >"$out/newer.txt"
"$sign" 1,0,0,20 "$out/installer.exe" >"$out/equal.txt"
"$sign" 1,0,0,19 "$out/installer.exe" >"$out/older.txt"
[ -f "$out/other-key.pem" ] || openssl ecparam -name prime256v1 -genkey -noout -out "$out/other-key.pem"
"$sign" 1,0,0,21 "$out/installer.exe" "$out/other-key.pem" >"$out/other-key.txt"
