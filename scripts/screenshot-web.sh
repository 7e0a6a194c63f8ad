#!/usr/bin/env bash
# Builds the browser version and writes its pictures in docs/ (web*.png,
# keyboard-web.png) from headless Chromium: see scripts/screenshot-web.js.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
tests/web/install-driver.sh
NODE_PATH="${TARNWICK_WEB_TEST_DIR:-$HOME/.cache/tarnwick/web-tests}/node_modules" \
    node scripts/screenshot-web.js "$site" "$PWD/docs"
