#!/usr/bin/env bash
# Builds the browser version and serves it on this machine only
# (127.0.0.1; PORT, 8000 unless set), printing the address to open. Ctrl+C
# stops the server. After one visit the page also plays with the server
# stopped: its service worker keeps the site.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
port="${PORT:-8000}"
echo "http://127.0.0.1:$port/"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
