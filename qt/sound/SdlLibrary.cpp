#include "SdlLibrary.h"

#include <dlfcn.h>

namespace tarnwick {

namespace {

#ifdef __linux__
using AlsaErrorHandler = void (*)(const char*, int, const char*, int, const char*, ...);

void ignoreAlsaError(const char* /*file*/, int /*line*/, const char* /*function*/, int /*error*/,
    const char* /*format*/, ...)
{ }

// ALSA prints a screenful of configuration errors on a machine without a
// sound card each time SDL probes it; the game should stay silent instead.
// SDL brings ALSA in with it, so this only finds what is already loaded.
void silenceAlsa()
{
    void* alsa = dlopen("libasound.so.2", RTLD_LAZY | RTLD_NOLOAD);
    if (alsa == nullptr) {
        return;
    }
    using SetHandler = int (*)(AlsaErrorHandler);
    if (auto* setHandler = reinterpret_cast<SetHandler>(dlsym(alsa, "snd_lib_error_set_handler"))) {
        setHandler(&ignoreAlsaError);
    }
    dlclose(alsa);
}
#else
void silenceAlsa() { }
#endif

template <typename Function> bool bind(void* library, Function& function, const char* name)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

SdlLibrary* load()
{
    void* library = dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        return nullptr;
    }
    static SdlLibrary sdl;
    const bool complete = bind(library, sdl.SetHint, "SDL_SetHint")
        && bind(library, sdl.InitSubSystem, "SDL_InitSubSystem")
        && bind(library, sdl.QuitSubSystem, "SDL_QuitSubSystem")
        && bind(library, sdl.OpenAudioDevice, "SDL_OpenAudioDevice")
        && bind(library, sdl.CloseAudioDevice, "SDL_CloseAudioDevice")
        && bind(library, sdl.PauseAudioDevice, "SDL_PauseAudioDevice")
        && bind(library, sdl.LockAudioDevice, "SDL_LockAudioDevice")
        && bind(library, sdl.UnlockAudioDevice, "SDL_UnlockAudioDevice")
        && bind(library, sdl.NewAudioStream, "SDL_NewAudioStream")
        && bind(library, sdl.AudioStreamPut, "SDL_AudioStreamPut")
        && bind(library, sdl.AudioStreamFlush, "SDL_AudioStreamFlush")
        && bind(library, sdl.AudioStreamGet, "SDL_AudioStreamGet")
        && bind(library, sdl.FreeAudioStream, "SDL_FreeAudioStream")
        && bind(library, sdl.TLSCleanup, "SDL_TLSCleanup");
    if (!complete) {
        return nullptr;
    }
    silenceAlsa();
    sdl.SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    sdl.SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Tarnwick");
    sdl.SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Sound cues");
    return &sdl;
}

} // namespace

const SdlLibrary* SdlLibrary::get()
{
    static const SdlLibrary* const loaded = load();
    return loaded;
}

} // namespace tarnwick
