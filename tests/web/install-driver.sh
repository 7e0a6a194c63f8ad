#!/usr/bin/env bash
# Installs the browser tests' driver and checker (puppeteer-core and axe-core, as pinned in the
# lockfile beside this script) under ~/.cache/tarnwick/web-tests, once: it is
# installed again only when the lockfile changes. Needs the npm command, from
# Debian's npm or any other Node installation.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cache_home=${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}
target="${TARNWICK_WEB_TEST_DIR:-$cache_home/web-tests}"

if ! command -v npm >/dev/null; then
    echo "install-driver.sh: the npm command is missing (Debian: apt-get install npm)" >&2
    exit 1
fi
if [[ -d "$target/node_modules/puppeteer-core" ]] && cmp -s "$here/package-lock.json" "$target/package-lock.json"; then
    exit 0
fi
mkdir -p "$target"
cp "$here/package.json" "$here/package-lock.json" "$target/"
# No install scripts: puppeteer-core downloads nothing, and the tests use Debian's browsers.
(cd "$target" && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error) >&2
