#pragma once
// Sound playback of the in-memory WAV image.
#include <windows.h>

namespace corvane {

// Stops whatever plays, the card's sound too; harmless when nothing does.
void StopPlayback();
// Plays WaveImage from its start, asynchronously. The image must not move or change until
// the next StopPlayback.
void PlayWaveImage();

// The sound service call, replaceable so tests can watch what is played and stopped.
using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR sound, HMODULE module, DWORD flags);
PlaySoundFunction SetPlaySoundFunction(PlaySoundFunction function);  // returns the previous

}  // namespace corvane
