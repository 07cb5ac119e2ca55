#!/usr/bin/env bash
# Installs the Debian packages that Tolvek needs and are missing, then
# configures and builds it in build/. Used by run.sh and test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

paquetes=(cmake g++ make pkg-config qt6-base-dev libgl-dev unixodbc-dev unixodbc tdsodbc
          libsqliteodbc googletest libgtest-dev fonts-dejavu-core)
faltan=()
for p in "${paquetes[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || faltan+=("$p")
done
if [ ${#faltan[@]} -gt 0 ]; then
  echo "Installing: ${faltan[*]}"
  sudo_cmd=""
  [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo_cmd apt-get update -qq
  $sudo_cmd apt-get install -y -qq "${faltan[@]}"
fi

build_type="${TOLVEK_BUILD_TYPE:-RelWithDebInfo}"
cmake -S . -B build -DCMAKE_BUILD_TYPE="$build_type" > /dev/null
cmake --build build -j"$(nproc)"
