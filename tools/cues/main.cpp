// Writes the six default cue files into the folder named on the command line.
#include "CueCatalog.h"
#include "CueFileName.h"
#include "CueSynthesizer.h"
#include "WaveWriter.h"

#include <cstddef>
#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    using tarnwick::Cue;
    const std::string folder = argv[1];
    // Every cue the build expects a file of.
    for (std::size_t index = 0; index < tarnwick::kCueCount; ++index) {
        const auto cue = static_cast<Cue>(index);
        const std::string path = folder + "/" + tarnwick::cueFileName(cue);
        if (!tarnwick::WaveWriter::writeMono16(path, tarnwick::CueSynthesizer::render(cue),
                tarnwick::CueSynthesizer::kSampleRate)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
