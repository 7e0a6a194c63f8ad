#include "PageMarkup.h"

#include "BoardTexts.h"
#include "MainWindowLayout.h"
#include "RulesWindowLayout.h"
#include "UiFace.h"
#include "WindowTexts.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>

namespace tarnwick {

namespace {

constexpr std::string_view kOpen = "{{";
constexpr std::string_view kClose = "}}";

int px(int twips)
{
    return twipsToPixels(twips, kBaseDpi);
}

std::string box(std::string_view selector, const TwipRect& twips)
{
    return std::string(selector) + " { left: " + std::to_string(px(twips.left)) + "px; top: "
        + std::to_string(px(twips.top)) + "px; width: " + std::to_string(px(twips.width))
        + "px; height: " + std::to_string(px(twips.height)) + "px; }\n";
}

std::string rulesText()
{
    std::string text;
    for (std::size_t line = 0; line < kRulesLines.size(); ++line) {
        text += PageMarkup::escaped(kRulesLines[line]);
        if (line + 1 < kRulesLines.size()) {
            text += '\n';
        }
    }
    return text;
}

// The face at 96 dpi, as longhands so that the page's own line heights stay.
std::string font(const UiFace& face, bool bold)
{
    std::string css = "font-family:";
    for (const std::string_view family : face.families) {
        css += " \"" + std::string(family) + "\",";
    }
    return css + " sans-serif; font-size: " + std::to_string(face.pixelsAt(kBaseDpi))
        + "px; font-weight: " + (bold ? "bold" : "normal") + ";";
}

} // namespace

std::string PageMarkup::escaped(std::string_view text)
{
    std::string out;
    for (const char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string PageMarkup::layoutCss()
{
    const PixelRect client = toPixels(kMainClientTwips, kBaseDpi);
    std::string css = "#client { width: " + std::to_string(client.width)
        + "px; height: " + std::to_string(client.height) + "px; }\n";
    css += box("#board", kBoardPictureTwips);
    for (std::size_t index = 0; index < kCellTwips.size(); ++index) {
        css += box("#hole" + std::to_string(index + 1), kCellTwips[index]);
    }
    css += box("#command1", kCommand1Twips);
    css += box("#command2", kCommand2Twips);
    css += box("#command3", kCommand3Twips);
    css += box("#drag", kIconTwips);
    const PixelRect rules = toPixels(kRulesClientTwips, kBaseDpi);
    css += "#rules-client { width: " + std::to_string(rules.width) + "px; height: "
        + std::to_string(rules.height) + "px; background: rgb(" + std::to_string(kTealRed) + ", "
        + std::to_string(kTealGreen) + ", " + std::to_string(kTealBlue) + "); }\n";
    css += box("#rules-ok", kOkButtonTwips);
    // The desktop's position where the viewport holds the whole window there,
    // the top-left corner otherwise (a phone, a small window).
    css += "@media (min-width: " + std::to_string(client.left + client.width)
        + "px) and (min-height: " + std::to_string(client.top + client.height)
        + "px) {\n  #client { left: " + std::to_string(client.left)
        + "px; top: " + std::to_string(client.top) + "px; }\n}\n";
    return css;
}

std::string PageMarkup::styleCss()
{
    std::string css = "button { " + font(kButtonFont, kButtonFont.bold) + " }\n";
    css += ".caption, #rules-text { " + font(kPrintFont, kPrintFont.bold) + " }\n";
    // The message box keeps the regular weight, as the desktop's does.
    css += "#message-text { " + font(kPrintFont, false) + " }\n";
    // Only while the board itself has the focus: a player who clicks never sees it.
    css += "#holes:focus > .hole.keyboard { outline: " + std::to_string(px(kFocusMarkTwips))
        + "px solid rgb(" + std::to_string(kFocusMarkRed) + ", " + std::to_string(kFocusMarkGreen)
        + ", " + std::to_string(kFocusMarkBlue) + "); }\n";
    return css;
}

std::string PageMarkup::styleSheet()
{
    return "/* Written by the build from the shared layout and fonts. */\n" + styleCss()
        + layoutCss();
}

std::string PageMarkup::cellsHtml()
{
    std::string html;
    for (int hole = 1; hole <= static_cast<int>(kCellTwips.size()); ++hole) {
        const bool peg = hole < static_cast<int>(kCellTwips.size());
        html += "<div class=\"hole " + std::string(peg ? "peg" : "nopeg") + "\" id=\"hole"
            + std::to_string(hole) + "\" role=\"img\" aria-label=\""
            + BoardTexts::holeName(hole, peg) + "\"></div>\n";
    }
    return html;
}

std::string PageMarkup::fill(std::string_view pageTemplate, std::string* error)
{
    const std::array<std::pair<std::string_view, std::string>, 8> values { {
        { "MAIN_CAPTION", escaped(kMainCaption) },
        { "START_GAME", escaped(kStartGameCaption) },
        { "HELP", escaped(kHelpCaption) },
        { "QUIT", escaped(kQuitCaption) },
        { "RULES_CAPTION", escaped(kRulesCaption) },
        { "OK", escaped(kOkCaption) },
        { "RULES_TEXT", rulesText() },
        { "CELLS", cellsHtml() },
    } };
    std::string out;
    std::size_t position = 0;
    while (position < pageTemplate.size()) {
        const std::size_t open = pageTemplate.find(kOpen, position);
        if (open == std::string_view::npos) {
            out += pageTemplate.substr(position);
            break;
        }
        out += pageTemplate.substr(position, open - position);
        const std::size_t close = pageTemplate.find(kClose, open);
        const std::string_view name = close == std::string_view::npos
            ? pageTemplate.substr(open + kOpen.size())
            : pageTemplate.substr(open + kOpen.size(), close - open - kOpen.size());
        const auto* value = std::find_if(values.begin(), values.end(),
            [name](const auto& entry) { return entry.first == name; });
        if (close == std::string_view::npos || value == values.end()) {
            if (error != nullptr) {
                *error = "unknown placeholder {{" + std::string(name.substr(0, 40)) + "}}";
            }
            return {};
        }
        out += value->second;
        position = close + kClose.size();
    }
    return out;
}

} // namespace tarnwick
