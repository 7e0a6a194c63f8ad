# The generators that run on the build machine when the game is built for
# another one (Windows, the browser): the pictures are drawn with Qt and the
# cues synthesised by programs of a Linux build of this tree. scripts/build-windows.sh
# and scripts/build-web.sh build them first, in the release build; point these
# elsewhere to use generators built another way.
set(TARNWICK_HOST_TOOLS_DIR "${PROJECT_SOURCE_DIR}/build/release/tools")
set(TARNWICK_RENDER_PICTURES "${TARNWICK_HOST_TOOLS_DIR}/pictures/tarnwick_tools_pictures"
    CACHE FILEPATH "The picture generator, built for the build machine")
set(TARNWICK_CUE_GENERATOR "${TARNWICK_HOST_TOOLS_DIR}/cues/tarnwick_tools_cues"
    CACHE FILEPATH "The cue generator, built for the build machine")
