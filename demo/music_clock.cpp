// The real-time frame clock on the frame timer and the music position.
#include "demo/music_clock.h"

namespace tessellune {

namespace {

double timerTime(void* c) {
    return static_cast<MusicClock*>(c)->timer->time();
}
double timerDelta(void* c) {
    return static_cast<MusicClock*>(c)->timer->delta();
}
double musicSeconds(void* c) {
    const AudioStream stream = static_cast<MusicClock*>(c)->stream;
    return audioChannelBytes2Seconds(stream, audioChannelGetPosition(stream, AUDIO_POS_BYTE));
}
void feedAudio(void*) {
    audioUpdate(0);
}

} // namespace

FrameClock makeFrameClock(MusicClock& clock) {
    return FrameClock{&clock, timerTime, timerDelta, musicSeconds, feedAudio};
}

} // namespace tessellune
