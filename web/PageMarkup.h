#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

/// What the page shows before any script runs, from the shared layout and
/// texts: the geometry of the game window and the rules window in CSS
/// pixels (15 twips to one), the fonts, the keyboard's mark, the captions,
/// the rules lines and the 15 hole cells with their names. The site's
/// index.html is its template filled in at build time, and layout.css its
/// style sheet, so the first frame needs no WebAssembly and the page holds
/// no inline style for a strict Content-Security-Policy to refuse.
class PageMarkup {
public:
    /// @p pageTemplate with every {{NAME}} placeholder filled in; an unknown
    /// placeholder is an error and gives nothing.
    static std::string fill(std::string_view pageTemplate, std::string* error = nullptr);

    /// The site's layout.css: styleCss() and layoutCss().
    static std::string styleSheet();

    /// The style rules that place the board, the cells, the buttons and the
    /// rules window, and that move the game window to the desktop's position
    /// where the viewport has room for it.
    static std::string layoutCss();

    /// The fonts of the buttons, the rules and the message, and the ring that
    /// marks the keyboard's hole while the board has the focus.
    static std::string styleCss();

    /// The 15 hole cells, as the start position shows them.
    static std::string cellsHtml();

    /// @p text with &, <, > and " escaped for HTML.
    static std::string escaped(std::string_view text);
};

} // namespace tarnwick
