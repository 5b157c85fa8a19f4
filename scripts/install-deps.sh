#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, and nothing when
# they are all present already. Runs `apt-get update` at most once.
set -euo pipefail

packages=(
  g++ cmake make pkg-config ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libpugixml-dev
  libsqlite3-dev libpq-dev postgresql-15
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
sudo_cmd=""
if [ "$(id -u)" -ne 0 ]; then sudo_cmd="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo_cmd apt-get update
$sudo_cmd apt-get install -y --no-install-recommends "${missing[@]}"
