// Fills in the page template and writes the page's style sheet from the
// shared layout and texts; run by the build under Node (the file system is
// the host's).
//
//   render_page <index.html.in> <index.html> <layout.css>

#include "PageMarkup.h"

#include <cstdio>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>

namespace {

bool writeFile(const char* name, const std::string& text)
{
    std::ofstream out(name, std::ios::binary);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", name);
        return false;
    }
    return true;
}

int renderPage(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: render_page <template> <page> <style sheet>\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::string pageTemplate { std::istreambuf_iterator<char>(in), {} };
    if (!in.good() && !in.eof()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    std::string error;
    const std::string page = tarnwick::PageMarkup::fill(pageTemplate, &error);
    if (page.empty()) {
        std::fprintf(stderr, "%s: %s\n", argv[1], error.c_str());
        return 1;
    }
    return writeFile(argv[2], page) && writeFile(argv[3], tarnwick::PageMarkup::styleSheet()) ? 0
                                                                                              : 1;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        return renderPage(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "render_page: %s\n", error.what());
        return 1;
    }
}
