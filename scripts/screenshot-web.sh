#!/usr/bin/env bash
# Builds the browser version and writes the README's pictures of it,
# docs/web.png (a desktop browser), docs/web-phone.png (a phone),
# docs/web-phone-rules-360.png and docs/web-phone-rules-390.png (the rules on
# two phones) and docs/keyboard-web.png (the board played from the keyboard), from headless
# Chromium after a move or two.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
tests/web/install-driver.sh
NODE_PATH="${TARNWICK_WEB_TEST_DIR:-$HOME/.cache/tarnwick/web-tests}/node_modules" \
    node scripts/screenshot-web.js "$site" "$PWD/docs"
