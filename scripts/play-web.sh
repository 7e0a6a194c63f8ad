#!/usr/bin/env bash
# Builds the browser version and serves it on 127.0.0.1 only (PORT, 8000
# unless set) until Ctrl+C; after one visit the page plays offline as well.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
port="${PORT:-8000}"
echo "http://127.0.0.1:$port/"
exec python3 -m http.server "$port" --bind 127.0.0.1 --directory "$site"
