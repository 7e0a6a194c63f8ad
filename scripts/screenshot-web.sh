#!/usr/bin/env bash
# Builds the browser version and writes the README's pictures of it,
# docs/web.png (a desktop browser) and docs/web-phone.png (a phone), from
# headless Chromium after a move or two.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
tests/web/install-driver.sh
NODE_PATH="${TARNWICK_WEB_TEST_DIR:-$HOME/.cache/tarnwick/web-tests}/node_modules" \
    node tests/web/play_page.js "$site" --screenshots "$PWD/docs"
