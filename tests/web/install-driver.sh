#!/usr/bin/env bash
# Installs the browser tests' driver and checker (puppeteer-core, axe-core: pinned in the lockfile beside
# this script) under ~/.cache/tarnwick/web-tests, again only when the lockfile changes. Needs npm.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
target=${TARNWICK_WEB_TEST_DIR:-${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}/web-tests}
if [[ -d $target/node_modules/puppeteer-core ]] && cmp -s {"$here","$target"}/package-lock.json; then
    exit 0
fi
mkdir -p "$target"
cp "$here"/package{,-lock}.json "$target/"
# No install scripts: puppeteer-core downloads nothing, and the tests use Debian's browsers.
(cd "$target" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) >&2
