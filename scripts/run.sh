#!/usr/bin/env bash
# Sets up what the Linux build needs, builds Brindlet and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-dependencies.sh run
cmake --preset linux -DBUILD_TESTING=OFF > /dev/null
cmake --build --preset linux --target brindlet
exec build/linux/brindlet
