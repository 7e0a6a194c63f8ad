// The next version of the game in the update test (update_page.js): one
// export more, answered through an import of its own tarnwick.js, so that
// its .wasm cannot link with the first version's tarnwick.js.
#include <emscripten/emscripten.h>

extern "C" int tarnwick_next_version_import();

/// 2, from this version's tarnwick.js and .wasm together.
extern "C" EMSCRIPTEN_KEEPALIVE int tarnwick_next_version()
{
    return tarnwick_next_version_import() + 1;
}
