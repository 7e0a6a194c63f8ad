# Builds Tarnwick for the browser with Debian 12's Emscripten (package
# emscripten): C++20 compiled to WebAssembly, tests run under Node.
#
# Emscripten's system libraries live in EM_CACHE. Debian's own cache is
# read-only and frozen, so a variant it lacks could never be built; ours lives
# under ~/.cache/tarnwick/emscripten, seeded once with links to Debian's
# prebuilt libraries, so only what Debian lacks is built, once per machine.
set(TARNWICK_EMSCRIPTEN_ROOT /usr/share/emscripten CACHE PATH "Debian's Emscripten")
# The gate runs with a private home and names the real cache folder.
if(DEFINED ENV{TARNWICK_CACHE_HOME})
    set(tarnwick_cache_home "$ENV{TARNWICK_CACHE_HOME}")
elseif(DEFINED ENV{XDG_CACHE_HOME})
    set(tarnwick_cache_home "$ENV{XDG_CACHE_HOME}/tarnwick")
else()
    set(tarnwick_cache_home "$ENV{HOME}/.cache/tarnwick")
endif()
set(TARNWICK_EM_CACHE "${tarnwick_cache_home}/emscripten" CACHE PATH "Emscripten's cache of system libraries")
include("${TARNWICK_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")

if(NOT EXISTS "${TARNWICK_EM_CACHE}/sysroot_install.stamp")
    file(MAKE_DIRECTORY "${TARNWICK_EM_CACHE}")
    # Links, not copies: Debian's prebuilt libraries are 750 MB.
    execute_process(
        COMMAND cp -rs --remove-destination "${TARNWICK_EMSCRIPTEN_ROOT}/cache/sysroot"
            "${TARNWICK_EMSCRIPTEN_ROOT}/cache/build" "${TARNWICK_EM_CACHE}/"
        COMMAND_ERROR_IS_FATAL ANY)
    file(COPY "${TARNWICK_EMSCRIPTEN_ROOT}/cache/sysroot_install.stamp" DESTINATION "${TARNWICK_EM_CACHE}")
endif()

# Every call of emcc, at configure time and in the build: our cache, unfrozen,
# and Debian's Node modules, which a Node from elsewhere does not search
# (emcc's optimiser needs acorn from there).
set(TARNWICK_EM_ENV
    "EM_CACHE=${TARNWICK_EM_CACHE}" EM_FROZEN_CACHE=0 NODE_PATH=/usr/share/nodejs)
foreach(assignment IN LISTS TARNWICK_EM_ENV)
    string(REGEX MATCH "^([^=]+)=(.*)$" _ "${assignment}")
    set(ENV{${CMAKE_MATCH_1}} "${CMAKE_MATCH_2}")
endforeach()
find_program(TARNWICK_CCACHE_FOR_EMCC ccache)
# ccache looks up emcc's objects by what the preprocessor makes of each
# source, never by the files' own hashes: two checkouts sharing the cache
# were handed each other's objects for a source of the same name otherwise.
set(CMAKE_CXX_COMPILER_LAUNCHER env ${TARNWICK_EM_ENV} CCACHE_NODIRECT=1 ${TARNWICK_CCACHE_FOR_EMCC})
set(CMAKE_C_COMPILER_LAUNCHER env ${TARNWICK_EM_ENV} CCACHE_NODIRECT=1 ${TARNWICK_CCACHE_FOR_EMCC})
set(CMAKE_CXX_LINKER_LAUNCHER env ${TARNWICK_EM_ENV})
set(CMAKE_C_LINKER_LAUNCHER env ${TARNWICK_EM_ENV})

# Programs run under Node. Emscripten's runtime would fetch() the .wasm by
# file path, which Node 20 refuses; synchronous compilation reads the file.
find_program(TARNWICK_NODE NAMES node nodejs REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TARNWICK_NODE}" CACHE FILEPATH "Runs the WebAssembly programs" FORCE)
