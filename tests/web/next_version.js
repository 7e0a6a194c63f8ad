// The import only the next version's tarnwick.js provides (NextVersion.cpp).
// Emscripten 3.1.6 copies library functions by their text: no arrow functions.
mergeInto(LibraryManager.library, {
    tarnwick_next_version_import: function () {
        return 1;
    },
});
