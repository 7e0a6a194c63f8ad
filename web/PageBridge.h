#pragma once

// The calls the C++ side makes into the page, one a line; the page's side is
// web/bridge.js, which hands each to the page script (web/page.js). The calls
// the other way are the exports of main.cpp.

extern "C" {

/// Shows the peg (@p peg non-zero) or the empty-hole picture in hole @p hole
/// (1..15), and names the hole @p name (UTF-8) for screen readers.
void tarnwick_page_show_picture(int hole, int peg, const char* name);

/// Starts a drag of the peg of hole @p hole: the drag picture follows the pointer.
void tarnwick_page_begin_drag(int hole);

/// Ends a running drag without a drop; does nothing when none runs.
void tarnwick_page_end_drag();

/// Rings hole @p hole (1..15) as the keyboard's, or no hole for 0, and names
/// the board @p spoken (UTF-8) for screen readers.
void tarnwick_page_show_keyboard_focus(int hole, const char* spoken);

/// Fetches the cue file @p fileName (UTF-8), revalidated with the server, and
/// decodes it into memory for the rest of the page's life.
void tarnwick_page_load_cue(const char* fileName);

/// Plays the loaded cue @p fileName (UTF-8), cutting off the playing cue.
void tarnwick_page_play_cue(const char* fileName);

/// Shows the modal message @p text (UTF-8) and resumes the caller once it is closed.
void tarnwick_page_show_message(const char* text);

/// Closes the page where the browser allows it, and otherwise empties it.
void tarnwick_page_end_program();
}
