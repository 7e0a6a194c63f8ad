#include "PageMarkup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace tarnwick {
namespace {

TEST(PageMarkupTest, FillsEveryPlaceholderAndRefusesUnknownOnes)
{
    struct Case {
        const char* pageTemplate;
        const char* expected; // nullptr: refused
    };
    const Case cases[] = {
        { "<title>{{MAIN_CAPTION}}</title>", "<title>Tarnwick</title>" },
        { "{{START_GAME}}|{{HELP}}|{{QUIT}}|{{OK}}", "Start Game|HELP|QUIT|OK" },
        { "{{RULES_CAPTION}}", "Tarnwick Rules" },
        { "icon@2x.png { a: b }", "icon@2x.png { a: b }" },
        { "", "" },
        { "{{TITLE}}", nullptr },
        { "before {{MAIN_CAPTION", nullptr },
        { "{{}}", nullptr },
    };
    for (const Case& c : cases) {
        std::string error;
        const std::string page = PageMarkup::fill(c.pageTemplate, &error);
        if (c.expected != nullptr) {
            EXPECT_EQ(page, c.expected) << c.pageTemplate;
            EXPECT_EQ(error, "") << c.pageTemplate;
        } else {
            EXPECT_EQ(page, "") << c.pageTemplate;
            EXPECT_NE(error, "") << c.pageTemplate;
        }
    }
}

TEST(PageMarkupTest, RulesKeepTheirLinesAndSpacesAndAreEscaped)
{
    const std::string rules = PageMarkup::fill("{{RULES_TEXT}}");
    EXPECT_EQ(std::count(rules.begin(), rules.end(), '\n'), 10);
    EXPECT_NE(rules.find("\n remaining at the end of the game.  When you jump"), std::string::npos);
    EXPECT_EQ(rules.substr(0, 2), "\n ");
    EXPECT_EQ(rules.back(), '\n');

    const std::pair<const char*, const char*> escapes[] = {
        { "a & b", "a &amp; b" },
        { "<script>", "&lt;script&gt;" },
        { "\"quoted\"", "&quot;quoted&quot;" },
        { "You're  two", "You're  two" },
    };
    for (const auto& [text, expected] : escapes) {
        EXPECT_EQ(PageMarkup::escaped(text), expected);
    }
}

TEST(PageMarkupTest, LaysOutTheWindowInCssPixelsAtFifteenTwipsEach)
{
    const std::string css = PageMarkup::styleSheet();
    const char* rules[] = {
        "#client { width: 336px; height: 328px; }",
        "#board { left: 0px; top: 0px; width: 338px; height: 329px; }",
        "#hole1 { left: 160px; top: 56px; width: 32px; height: 25px; }",
        "#hole9 { left: 184px; top: 208px; width: 32px; height: 25px; }",
        "#hole15 { left: 256px; top: 264px; width: 32px; height: 25px; }",
        "#command1 { left: 248px; top: 16px; width: 81px; height: 25px; }",
        "#command3 { left: 256px; top: 80px; width: 65px; height: 25px; }",
        "#rules-client { width: 550px; height: 367px; background: rgb(0, 128, 128); }",
        "#rules-ok { left: 216px; top: 328px; width: 73px; height: 25px; }",
        ("@media (min-width: 517px) and (min-height: 424px) {\n"
         "  #client { left: 181px; top: 96px; }\n}"),
    };
    for (const char* rule : rules) {
        EXPECT_NE(css.find(rule), std::string::npos) << rule << "\nin\n" << css;
    }
}

TEST(PageMarkupTest, CellsShowTheStartPositionByName)
{
    const std::string cells = PageMarkup::cellsHtml();
    std::size_t pegs = 0;
    for (std::size_t at = 0; (at = cells.find("class=\"hole peg\"", at)) != std::string::npos;
         ++at) {
        ++pegs;
    }
    EXPECT_EQ(pegs, 14U);
    EXPECT_NE(
        cells.find(
            "<div class=\"hole nopeg\" id=\"hole15\" role=\"img\" aria-label=\"Hole 15, empty\">"),
        std::string::npos);
    EXPECT_NE(
        cells.find("id=\"hole1\" role=\"img\" aria-label=\"Hole 1, peg\""), std::string::npos);
}

// The fonts the desktop builds ask for, at 96 dpi, and the keyboard's ring
// only on the focused board, outside the cell.
TEST(PageMarkupTest, StylesTheFontsAndTheKeyboardRingFromTheLayout)
{
    const std::string css = PageMarkup::styleSheet();
    const std::string families = "font-family: \"Nimbus Sans\", \"Liberation Sans\", \"Arial\", "
                                 "\"Helvetica\", sans-serif;";
    const std::string rules[] = {
        "button { " + families + " font-size: 11px; font-weight: bold; }",
        ".caption, #rules-text { " + families + " font-size: 13px; font-weight: bold; }",
        "#message-text { " + families + " font-size: 13px; font-weight: normal; }",
        "#holes:focus > .hole.keyboard { outline: 2px solid rgb(255, 224, 0); }",
    };
    for (const std::string& rule : rules) {
        EXPECT_NE(css.find(rule), std::string::npos) << rule << "\nin\n" << css;
    }
    EXPECT_EQ(css.find("outline-offset"), std::string::npos)
        << "the ring sits just outside the cell";
}

} // namespace
} // namespace tarnwick
