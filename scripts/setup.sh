#!/usr/bin/env bash
# Installs what the build needs (Debian packages), then configures and builds.
#   scripts/setup.sh              release build in build/
#   scripts/setup.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
# The release build's add-in is then installed for both simulated hosts, in the
# registry quillmark-host reads ($QUILLMARK_REGISTRY, else the user's).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_args=()
if [[ "${1:-}" == "--sanitize" ]]; then
  build_dir=build-asan
  cmake_args+=(-DQUILLMARK_SANITIZE=ON -DQUILLMARK_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

# Build: compilers, Qt 6 Widgets (with D-Bus), libxml2, Nettle (MD5 and SHA-256), libzip and libgsf (document
# properties), Poppler (slide pages), SQLite and its shell (benchmark peers), clang (fuzz targets).
# Run time and tests: LibreOffice with its SDK and Python bridge (the office host, real slides,
# test documents), hyperfine (whole-process benchmarks), attr (extended attributes), exiftool (reads
# the keywords back), vipsthumbnail (benchmark peer), Xvfb (a display for window checks),
# xmllint and GNU time (the tag database memory benchmark), imagemagick (import grabs the
# Xvfb screen for the LibreOffice pictures); libunistring (case folding of
# tag searches). libreoffice-dev is the UNO SDK (cppumaker, the UNO headers and libraries)
# of the LibreOffice host; python3-uno and the Python script provider run the extension of
# ours inside LibreOffice.
packages=(build-essential cmake pkg-config ccache libxml2-dev nettle-dev libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev qt6-base-dev libzip-dev libgsf-1-dev libpoppler-qt6-dev
          libsqlite3-dev sqlite3 clang-14 libclang-rt-14-dev
          libreoffice-impress libreoffice-writer libreoffice-dev python3-uno
          libreoffice-script-provider-python libimage-exiftool-perl hyperfine attr
          libarchive-zip-perl libvips-tools xvfb xauth zip unzip libxml2-utils time
          libunistring-dev libxxhash-dev imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}" >&2
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B "$build_dir" "${cmake_args[@]}"
cmake --build "$build_dir" -j "$(nproc)"
if [[ "$build_dir" == build ]]; then
  # A registry that cannot take it does not stop the build (the tests use their own).
  "$build_dir"/simoffice/quillmark-host --install-addin "$build_dir"/addin/libquillmark.so ||
    echo "setup: the add-in was not installed (see above)" >&2
fi
