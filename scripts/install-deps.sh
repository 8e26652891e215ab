#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12 (as root, or through sudo), and the
# zh_CN.UTF-8 locale. Does nothing when everything is there.
set -euo pipefail

packages=(
  cmake make g++ git ca-certificates           # native build
  googletest libgtest-dev libbenchmark-dev     # tests and benchmarks
  clang libclang-rt-14-dev clang-format        # fuzzing, formatting
  g++-mingw-w64-x86-64-posix                   # the Windows program
  wine wine64 xvfb xauth xdotool x11-utils imagemagick fonts-wqy-microhei fonts-wine
  locales python3
)

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# Wine needs the generated locale to create files with Chinese names.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN\.utf8'; then
  $sudo localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
