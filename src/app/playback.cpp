#include "app/playback.h"

#include <mmsystem.h>

#include "app/app_state.h"
#include "app/card_playback.h"

namespace corvane {

namespace {
PlaySoundFunction playSound = PlaySoundW;
}

PlaySoundFunction SetPlaySoundFunction(PlaySoundFunction function) {
    const PlaySoundFunction previous = playSound;
    playSound = function != nullptr ? function : PlaySoundW;
    return previous;
}

void StopPlayback() {
    playSound(nullptr, nullptr, SND_PURGE);
    StopCardPlayback();
}

void PlayWaveImage() {
    playSound(reinterpret_cast<LPCWSTR>(App().WaveImage.data()), nullptr, SND_MEMORY | SND_ASYNC);
}

}  // namespace corvane
