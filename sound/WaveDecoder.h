#pragma once

#include "PcmClip.h"

#include <QByteArray>

#include <memory>

namespace tarnwick {

/// Turns the bytes of a wave file into a clip for the audio device.
class WaveDecoder {
public:
    /// Decodes PCM wave data of any common layout (8-, 16-, 24- or 32-bit
    /// integer or 32-bit float samples, one or more channels, any rate) into
    /// a PcmClip. Returns nullptr for anything that is not a complete wave file.
    static std::shared_ptr<const PcmClip> decode(const QByteArray& bytes);
};

} // namespace tarnwick
