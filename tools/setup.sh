#!/usr/bin/env bash
# Installs everything Quillmark needs to build and test on Debian 12, as root.
# Quick when everything is already in place: each step checks before it acts.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
deps="$top/deps"

packages=(
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-tools
  cmake ninja-build make wine xvfb xauth x11-utils xdotool imagemagick
  python3 python3-pyftpdlib lftp googletest dpkg-dev fonts-liberation fonts-wine locales nsis openssl clang-format
)

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

# Source packages need a deb-src entry beside the binary one. It is derived from the machine's
# own deb entries (same mirrors, suites, components and keyrings), so a machine that uses
# another or an internal mirror fetches the sources from there too.
srcfile=/etc/apt/sources.list.d/quillmark-src.sources
srclist=/etc/apt/sources.list.d/quillmark-src.list
need_update=0
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -rqs '^deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  echo "setup: adding deb-src entries for the machine's own deb entries"
  # deb822 files: every enabled stanza whose types include deb, with the types set to deb-src.
  stanzas=$(for f in /etc/apt/sources.list.d/*.sources; do
      [ -f "$f" ] && [ "$f" != "$srcfile" ] && { cat "$f"; echo; }
    done | awk 'BEGIN { RS = ""; ORS = "\n\n" }
      /(^|\n)Types:[^\n]*(^|[ \t])deb([ \t]|\n|$)/ && !/(^|\n)Enabled:[ \t]*no/ {
        sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }')
  # One-line entries: each "deb" line as a "deb-src" line.
  # Either kind of file may be missing altogether, so only files that exist are read.
  lines=$(for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$f" ] && [ "$f" != "$srclist" ] && sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f"
    done || true)
  [ -n "$stanzas" ] && printf '%s\n' "$stanzas" | as_root tee "$srcfile" >/dev/null
  [ -n "$lines" ] && printf '%s\n' "$lines" | as_root tee "$srclist" >/dev/null
  if [ -z "$stanzas" ] && [ -z "$lines" ]; then
    echo "setup: no deb entries found in /etc/apt; add a deb-src entry by hand" >&2
    exit 1
  fi
  need_update=1
fi

if [ ${#missing[@]} -gt 0 ] || [ $need_update -eq 1 ]; then
  echo "setup: installing ${missing[*]:-(nothing, refreshing the source lists)}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  if [ ${#missing[@]} -gt 0 ]; then
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
fi

# Wine takes the ANSI code page from the locale: tests pin en_US.UTF-8 (code page 1252).
if ! locale -a 2>/dev/null | grep -qi '^en_US\.utf-\?8$'; then
  echo "setup: generating the en_US.UTF-8 locale"
  as_root sed -i 's/^# *en_US.UTF-8 UTF-8/en_US.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^en_US.UTF-8 UTF-8' /etc/locale.gen || echo 'en_US.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen >/dev/null
fi

mkdir -p "$deps/download"

fetch_source() { # package, folder the unpacked source must contain
  local pkg=$1 probe=$2
  [ -e "$deps/$probe" ] && return 0
  echo "setup: fetching the $pkg source package"
  ( cd "$deps/download"
    if ! ls "${pkg}"_*.dsc >/dev/null 2>&1; then
      apt-get source --download-only "$pkg" >/dev/null 2>&1 || {
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
        apt-get source --download-only "$pkg"
      }
    fi
    rm -rf "$deps/src-$pkg"
    dpkg-source --no-check -x "$(ls "${pkg}"_*.dsc | head -n 1)" "$deps/src-$pkg" >/dev/null
  )
}

fetch_source scite src-scite/scintilla/win32/ScintillaWin.cxx
fetch_source tinyxml src-tinyxml/tinyxml.cpp
fetch_source exuberant-ctags src-exuberant-ctags/mk_mingw.mak

# Boost.Regex is header-only from 1.76 on; Debian 12's default boost is 1.74.
if [ ! -e "$deps/boost/include/boost/regex.hpp" ]; then
  echo "setup: unpacking the Boost 1.81 headers"
  ( cd "$deps/download"
    ls libboost1.81-dev_*.deb >/dev/null 2>&1 || apt-get download libboost1.81-dev
    rm -rf "$deps/boost-pkg" "$deps/boost"
    dpkg-deb -x "$(ls libboost1.81-dev_*.deb | head -n 1)" "$deps/boost-pkg"
  )
  # The cross build sees a folder holding only the boost headers, never /usr/include.
  mkdir -p "$deps/boost/include"
  ln -s "$deps/boost-pkg/usr/include/boost" "$deps/boost/include/boost"
fi

echo "setup: done"
