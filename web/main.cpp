// The game in the browser: the rule book wired to the page. main() sets up the
// board; from then on the page calls the exports below, one event at a time.

#include "CentringArithmetic.h"
#include "ClockRandomSource.h"
#include "CueCatalog.h"
#include "Game.h"
#include "Main_form.h"
#include "TwipGeometry.h"
#include "WaveReader.h"
#include "WebCuePlayer.h"

#include <emscripten/emscripten.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
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

/// The cue file's bytes as 16-bit samples, mono or stereo (wider sounds
/// mixed down as on the desktop), or null where the wave reader refuses
/// them. The page frees the result with tarnwick_free_wave().
EMSCRIPTEN_KEEPALIVE tarnwick::WaveSound* tarnwick_read_wave(const char* bytes, std::size_t length)
{
    if (bytes == nullptr) {
        return nullptr;
    }
    auto sound = tarnwick::WaveReader::read({ bytes, length });
    return sound ? std::make_unique<tarnwick::WaveSound>(std::move(*sound)).release() : nullptr;
}

EMSCRIPTEN_KEEPALIVE int tarnwick_wave_rate(const tarnwick::WaveSound* sound)
{
    return sound->sampleRate;
}

EMSCRIPTEN_KEEPALIVE int tarnwick_wave_channels(const tarnwick::WaveSound* sound)
{
    return sound->channels;
}

EMSCRIPTEN_KEEPALIVE std::size_t tarnwick_wave_frames(const tarnwick::WaveSound* sound)
{
    return sound->frameCount();
}

EMSCRIPTEN_KEEPALIVE const std::int16_t* tarnwick_wave_samples(const tarnwick::WaveSound* sound)
{
    return sound->samples.data();
}

EMSCRIPTEN_KEEPALIVE void tarnwick_free_wave(tarnwick::WaveSound* sound)
{
    std::unique_ptr<tarnwick::WaveSound> owned(sound);
}
}

int main()
{
    webGame().game.Form_Load();
    return 0;
}
