// The game in the browser: the rule book wired to the page. main() sets up the
// board; from then on the page calls the exports below, one event at a time.

#include "CentringArithmetic.h"
#include "ClockRandomSource.h"
#include "CueCatalog.h"
#include "CueWorker.h"
#include "Game.h"
#include "Main_form.h"
#include "TwipGeometry.h"
#include "WaveReader.h"
#include "WebCuePlayer.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <string_view>

namespace {

struct WebGame {
    tarnwick::Main_form window;
    tarnwick::WebCuePlayer cues;
    tarnwick::ClockRandomSource random;
    tarnwick::Game game { { window, cues, window, random, window } };
};

WebGame& webGame()
{
    static WebGame instance;
    return instance;
}

// KeyboardEvent.key of each moving key, in BoardKey's order; Space and
// Enter are both its activate.
constexpr std::array<std::string_view, 6> kBoardKeyNames { "ArrowLeft", "ArrowRight", "ArrowUp",
    "ArrowDown", "Home", "End" };
static_assert(kBoardKeyNames.size() == static_cast<std::size_t>(tarnwick::BoardKey::activate));

/// A cue as the page takes it: 16-bit interleaved samples, owned by this
/// record (both come from malloc: see tarnwick_decode_cue).
struct DecodedCue {
    int sampleRate;
    int channels;
    std::size_t frames;
    std::int16_t* samples;
};

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void tarnwick_image1_mouse_down(int index)
{
    webGame().game.Image1_MouseDown(index);
}

EMSCRIPTEN_KEEPALIVE void tarnwick_image1_mouse_up(int index)
{
    webGame().game.Image1_MouseUp(index);
}

EMSCRIPTEN_KEEPALIVE void tarnwick_form_mouse_up()
{
    webGame().game.Form_MouseUp();
}

EMSCRIPTEN_KEEPALIVE void tarnwick_form_mouse_move()
{
    webGame().game.Form_MouseMove();
}

EMSCRIPTEN_KEEPALIVE void tarnwick_board_got_focus()
{
    webGame().game.Board_GotFocus();
}

EMSCRIPTEN_KEEPALIVE void tarnwick_board_lost_focus()
{
    webGame().game.Board_LostFocus();
}

/// The board's key for the page's KeyboardEvent.key @p name (UTF-8), as a
/// BoardKey value, or -1 for a key that is not the board's (Esc, Tab...).
EMSCRIPTEN_KEEPALIVE int tarnwick_board_key(const char* name)
{
    const std::string_view key = name == nullptr ? std::string_view {} : name;
    if (key == " " || key == "Enter") {
        return static_cast<int>(tarnwick::BoardKey::activate);
    }
    for (std::size_t index = 0; index < kBoardKeyNames.size(); ++index) {
        if (key == kBoardKeyNames[index]) {
            return static_cast<int>(index);
        }
    }
    return -1;
}

/// A key of tarnwick_board_key() went down while the board had the focus.
EMSCRIPTEN_KEEPALIVE void tarnwick_board_key_down(int key)
{
    if (key >= 0 && key <= static_cast<int>(tarnwick::BoardKey::activate)) {
        webGame().game.Board_KeyDown(static_cast<tarnwick::BoardKey>(key));
    }
}

EMSCRIPTEN_KEEPALIVE void tarnwick_command1_click()
{
    webGame().game.Command1_Click();
}

EMSCRIPTEN_KEEPALIVE void tarnwick_command3_click()
{
    webGame().game.Command3_Click();
}

/// Where a window of @p windowPixels sits centred on @p screenPixels, in CSS
/// pixels, by the desktop's own arithmetic.
EMSCRIPTEN_KEEPALIVE int tarnwick_centred_offset(int screenPixels, int windowPixels)
{
    return tarnwick::centredOffsetPixels(screenPixels, windowPixels, tarnwick::kBaseDpi);
}

/// The largest cue file read, as on the desktop: the page reads no more of a
/// file than this.
EMSCRIPTEN_KEEPALIVE std::size_t tarnwick_max_cue_bytes()
{
    return static_cast<std::size_t>(tarnwick::kMaxCueFileBytes);
}

/// How late a cue may start and still be heard, in milliseconds: the
/// desktop's limit, so the page skips what the desktop would.
EMSCRIPTEN_KEEPALIVE int tarnwick_cue_stale_after_ms()
{
    return static_cast<int>(tarnwick::CueWorker::kStaleAfter.count());
}

/// The cue file's bytes as 16-bit samples, mono or stereo (wider sounds
/// mixed down as on the desktop), or null where the wave reader refuses
/// them or there is no memory for them. The page copies the samples out and
/// frees the result with tarnwick_free_cue() at once.
EMSCRIPTEN_KEEPALIVE DecodedCue* tarnwick_decode_cue(const char* bytes, std::size_t length)
{
    if (bytes == nullptr) {
        return nullptr;
    }
    const std::span<const char> file { bytes, length };
    const std::optional<tarnwick::WaveShape> shape = tarnwick::WaveReader::shape(file);
    if (!shape) {
        return nullptr;
    }
    // malloc rather than new: this build has no exceptions, so a failed new
    // would end the whole game; a failed malloc only silences this cue.
    auto* cue = static_cast<DecodedCue*>(std::malloc(sizeof(DecodedCue)));
    auto* samples
        = static_cast<std::int16_t*>(std::malloc(shape->sampleCount() * sizeof(std::int16_t)));
    if (cue == nullptr || samples == nullptr
        || !tarnwick::WaveReader::decode(file, { samples, shape->sampleCount() })) {
        std::free(samples);
        std::free(cue);
        return nullptr;
    }
    *cue = { shape->sampleRate, shape->channels, shape->frames, samples };
    return cue;
}

EMSCRIPTEN_KEEPALIVE int tarnwick_cue_rate(const DecodedCue* cue)
{
    return cue->sampleRate;
}

EMSCRIPTEN_KEEPALIVE int tarnwick_cue_channels(const DecodedCue* cue)
{
    return cue->channels;
}

EMSCRIPTEN_KEEPALIVE std::size_t tarnwick_cue_frames(const DecodedCue* cue)
{
    return cue->frames;
}

EMSCRIPTEN_KEEPALIVE const std::int16_t* tarnwick_cue_samples(const DecodedCue* cue)
{
    return cue->samples;
}

EMSCRIPTEN_KEEPALIVE void tarnwick_free_cue(DecodedCue* cue)
{
    if (cue != nullptr) {
        std::free(cue->samples);
        std::free(cue);
    }
}
}

int main()
{
    // The cues load while the player looks at the board, so the first press
    // finds them in memory.
    webGame().cues.loadAll();
    webGame().game.Form_Load();
    return 0;
}
