// The C++ side's calls into the page (web/PageBridge.h), handed on to the
// page script's TarnwickPage. Emscripten links this file into tarnwick.js.
mergeInto(LibraryManager.library, {
    tarnwick_page_show_picture: function (hole, peg, name) {
        TarnwickPage.showPicture(hole, peg !== 0, UTF8ToString(name));
    },
    tarnwick_page_begin_drag: function (hole) {
        TarnwickPage.beginDrag(hole);
    },
    tarnwick_page_end_drag: function () {
        TarnwickPage.endDrag();
    },
    tarnwick_page_show_keyboard_focus: function (hole, spoken) {
        TarnwickPage.showKeyboardFocus(hole, UTF8ToString(spoken));
    },
    tarnwick_page_load_cue: function (fileName) {
        TarnwickPage.loadCue(UTF8ToString(fileName));
    },
    tarnwick_page_play_cue: function (fileName) {
        TarnwickPage.playCue(UTF8ToString(fileName));
    },
    // The message is modal: the game's code sleeps here until "OK" (or Esc),
    // and only then goes on to set up the board again.
    tarnwick_page_show_message: function (text) {
        return Asyncify.handleSleep(function (wakeUp) {
            TarnwickPage.showMessage(UTF8ToString(text)).then(function () {
                wakeUp();
            });
        });
    },
    tarnwick_page_end_program: function () {
        TarnwickPage.endProgram();
    },
});
