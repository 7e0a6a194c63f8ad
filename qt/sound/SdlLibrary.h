#pragma once

#include <SDL.h>

namespace tarnwick {

/// The few functions of SDL 2 the cues use, looked up in the library at run
/// time. The program does not link SDL: start-up then maps none of its
/// libraries (PulseAudio, its codecs, Wayland...), and a machine without SDL
/// runs the game silently.
struct SdlLibrary {
    decltype(&::SDL_SetHint) SetHint = nullptr;
    decltype(&::SDL_InitSubSystem) InitSubSystem = nullptr;
    decltype(&::SDL_QuitSubSystem) QuitSubSystem = nullptr;
    decltype(&::SDL_OpenAudioDevice) OpenAudioDevice = nullptr;
    decltype(&::SDL_CloseAudioDevice) CloseAudioDevice = nullptr;
    decltype(&::SDL_PauseAudioDevice) PauseAudioDevice = nullptr;
    decltype(&::SDL_LockAudioDevice) LockAudioDevice = nullptr;
    decltype(&::SDL_UnlockAudioDevice) UnlockAudioDevice = nullptr;
    decltype(&::SDL_NewAudioStream) NewAudioStream = nullptr;
    decltype(&::SDL_AudioStreamPut) AudioStreamPut = nullptr;
    decltype(&::SDL_AudioStreamFlush) AudioStreamFlush = nullptr;
    decltype(&::SDL_AudioStreamGet) AudioStreamGet = nullptr;
    decltype(&::SDL_FreeAudioStream) FreeAudioStream = nullptr;
    decltype(&::SDL_TLSCleanup) TLSCleanup = nullptr;

    /// The library, loaded by the first call (on the cue worker in the game);
    /// nullptr where it is not installed or lacks a function. Never unloaded.
    static const SdlLibrary* get();
};

} // namespace tarnwick
