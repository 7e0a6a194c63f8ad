#!/usr/bin/env bash
# Prints the browser version's figures beside a floor page's (the same HTML,
# pictures and buttons, no script), LOADS loads each (20): see docs/browser.md
# and scripts/benchmark-web.js. Figures only: never a test.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
tests/web/install-driver.sh
cache_home=${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}
# nginx on PATH, or Debian's binary unpacked into the cache.
scripts/setup.sh --web-test >&2
nginx=$(command -v nginx || echo "$cache_home/nginx/usr/sbin/nginx")
# Lighthouse from its own lockfile, beside the tests' but apart from them.
lighthouse_dir="$cache_home/lighthouse"
if ! cmp -s scripts/lighthouse/package-lock.json "$lighthouse_dir/package-lock.json"; then
    mkdir -p "$lighthouse_dir"
    cp scripts/lighthouse/package.json scripts/lighthouse/package-lock.json "$lighthouse_dir/"
    (cd "$lighthouse_dir" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) >&2
fi
# The cues are heard by the sound tests' monitor recorder, a native program.
[[ -f build/dev/build.ninja ]] || cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick_monitor_listener >&2
modules="${TARNWICK_WEB_TEST_DIR:-$cache_home/web-tests}/node_modules"
scripts/session.py run --pulse -- \
    env NODE_PATH="$modules" TARNWICK_NGINX="$nginx" LIGHTHOUSE="$lighthouse_dir/node_modules/.bin/lighthouse" \
    TARNWICK_MONITOR_LISTENER="$PWD/build/dev/tests/support/tarnwick_monitor_listener" \
    node scripts/benchmark-web.js "$site" "${LOADS:-20}"
