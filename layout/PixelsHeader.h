#pragma once

#include <cstdint>

namespace tarnwick {

/// The head of a ".pixels" file: a picture as the very pixels a pixmap holds,
/// which the picture generator writes and the Qt front-end embeds and uses in
/// place, so that the window's first frame waits on no image decoder. Such a
/// file is this header, then height rows of width 32-bit pixels.
struct PixelsHeader {
    /// What every such file starts with: "TWPX".
    static constexpr std::uint32_t kMagic = 0x58505754;

    std::uint32_t magic = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t format = 0; ///< A QImage::Format of 32 bits a pixel.
};

} // namespace tarnwick
