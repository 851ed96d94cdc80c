#include "platform/audio_calls.h"

#include <dlfcn.h>
#include <optional>

namespace ombrix {
namespace {

// The sonames of the libraries the headers belong to; a library that is
// loaded stays loaded until the process ends.
constexpr const char* kAlsaLibrary = "libasound.so.2";
constexpr const char* kSndfileLibrary = "libsndfile.so.1";

template <typename Function> bool resolve(void* library, const char* name, Function& into) {
    into = reinterpret_cast<Function>(::dlsym(library, name));
    return into != nullptr;
}

std::optional<AudioCalls> loadAudioCalls() {
    void* alsa = ::dlopen(kAlsaLibrary, RTLD_NOW | RTLD_LOCAL);
    void* sndfile = ::dlopen(kSndfileLibrary, RTLD_NOW | RTLD_LOCAL);
    if (!alsa || !sndfile)
        return std::nullopt;
    AudioCalls calls{};
    const bool complete = resolve(alsa, "snd_lib_error_set_handler", calls.libErrorSetHandler) &&
                          resolve(alsa, "snd_pcm_open", calls.pcmOpen) &&
                          resolve(alsa, "snd_pcm_nonblock", calls.pcmNonblock) &&
                          resolve(alsa, "snd_pcm_set_params", calls.pcmSetParams) &&
                          resolve(alsa, "snd_pcm_drain", calls.pcmDrain) &&
                          resolve(alsa, "snd_pcm_close", calls.pcmClose) &&
                          resolve(alsa, "snd_pcm_writei", calls.pcmWritei) &&
                          resolve(alsa, "snd_pcm_recover", calls.pcmRecover) &&
                          resolve(sndfile, "sf_open", calls.sfOpen) &&
                          resolve(sndfile, "sf_readf_short", calls.sfReadfShort) &&
                          resolve(sndfile, "sf_close", calls.sfClose);
    if (!complete)
        return std::nullopt;
    return calls;
}

} // namespace

const AudioCalls* audioCalls() {
    static const std::optional<AudioCalls> calls = loadAudioCalls();
    return calls ? &*calls : nullptr;
}

} // namespace ombrix
