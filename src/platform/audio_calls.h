#pragma once
// The ALSA and libsndfile functions the sound device calls, from libraries
// loaded when the first sound plays. Linked at start they and the codecs
// libsndfile pulls in (FLAC, Vorbis, Opus, MPEG) put about a megabyte of
// pages into every start, though many users never hear a sound.

#include <alsa/asoundlib.h>
#include <sndfile.h>

namespace ombrix {

struct AudioCalls {
    decltype(&::snd_lib_error_set_handler) libErrorSetHandler;
    decltype(&::snd_pcm_open) pcmOpen;
    decltype(&::snd_pcm_nonblock) pcmNonblock;
    decltype(&::snd_pcm_set_params) pcmSetParams;
    decltype(&::snd_pcm_drain) pcmDrain;
    decltype(&::snd_pcm_close) pcmClose;
    decltype(&::snd_pcm_writei) pcmWritei;
    decltype(&::snd_pcm_recover) pcmRecover;
    decltype(&::sf_open) sfOpen;
    decltype(&::sf_readf_short) sfReadfShort;
    decltype(&::sf_close) sfClose;
};

// Loads both libraries on the first call (any thread); null when either is
// missing or lacks a function, and then for good: the program stays silent.
const AudioCalls* audioCalls();

} // namespace ombrix
