#!/usr/bin/env bash
# Builds Tarnwick for the browser (docs/browser.md): the generators for this
# machine, then the static site in build/web/site, whose path it prints.
# Installs what it needs first (Debian's emscripten, Node.js where there is none).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --web >&2
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
build_host_tools
build_preset web tarnwick_web_site
echo "$PWD/build/web/site"
