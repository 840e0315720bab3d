#!/usr/bin/env bash
# Installs what is needed, builds, makes the demonstration site in the prefix
# on first use (an existing site is never written over), installs the program
# in the site's program folder and starts it there. Without a display it runs
# on Qt's offscreen platform; stop it with Ctrl+C, which closes it as its
# window would. Arguments go to the program ("/Veille=True", "/Wait=5000").
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build -DQN3_BUILD_TESTS=OFF -DQN3_BUILD_BENCH=OFF
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
  export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"
folder=$(build/tools/make_demo_site --program build/src/engine/QN3_Tools_Vandrel | sed -n 's/^Program folder: //p')
cd "$folder"
exec ./QN3_Tools_Vandrel "$@"
