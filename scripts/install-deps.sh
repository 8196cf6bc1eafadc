#!/bin/sh
# Installs the Debian packages the build, the program and the tests need.
# Safe to run again: packages already present are not fetched twice.
set -eu
packages="cmake ninja-build g++-mingw-w64-x86-64-posix mingw-w64-tools
  wine wine64 xvfb x11-apps imagemagick fonts-wqy-microhei qrencode
  duktape-dev libboost1.81-dev nlohmann-json3-dev libcpp-httplib-dev googletest g++
  clang libclang-rt-14-dev
  nginx python3 python3-aiosmtpd python3-pyftpdlib openssl libgnutls30 procps
  tinyproxy-bin"
missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "Installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  # shellcheck disable=SC2086
  apt-get install -y -qq --no-install-recommends $missing
fi
