# Sourced by every script that builds, from the checkout's root: the compiler
# cache lives outside the checkout, so a second build, even from a fresh clone
# or another worktree, is quick. Objects are keyed on paths relative to the
# checkout. Sets cache_home, the folder of Tarnwick's caches, for the caller.
cache_home=${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}
export CCACHE_DIR=${CCACHE_DIR:-$cache_home/ccache}
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
