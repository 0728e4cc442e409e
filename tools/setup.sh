#!/usr/bin/env bash
# Installs what building, testing and running Skedra needs on Debian 12, when missing.
# With --docs: also what building the reference manual needs (Doxygen).
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-tools-dev libgl-dev libgtest-dev libgmock-dev libbenchmark-dev
          fonts-dejavu-core poppler-utils clang clang-format libclang-rt-dev libqt6sql6-sqlite)
if [ "${1:-}" = "--docs" ]; then
    packages+=(doxygen)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
