#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program on its embedded
# default site. Without a display it runs on Qt's offscreen platform; stop it
# with Ctrl+C, which closes it as its window would.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DQN3_BUILD_TESTS=OFF -DQN3_BUILD_BENCH=OFF
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
exec build/src/engine/QN3_Tools_Vandrel "$@"
