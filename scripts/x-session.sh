#!/usr/bin/env bash
# Kept for the scripts that still call it: scripts/session.py run is the same.
exec python3 "$(dirname "$0")/session.py" run "$@"
