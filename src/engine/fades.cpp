#include "engine/fades.h"

#include <cstring>

namespace {

void scale(unsigned char *frames, int64_t count, bool rising)
{
    for (int64_t i = 0; i < count; ++i) {
        const int64_t step = rising ? i + 1 : count - i;
        for (int channel = 0; channel < 2; ++channel) {
            int16_t sample = 0;
            unsigned char *at = frames + (i * 2 + channel) * 2;
            std::memcpy(&sample, at, sizeof sample);
            sample = static_cast<int16_t>(sample * step / (count + 1));
            std::memcpy(at, &sample, sizeof sample);
        }
    }
}

} // namespace

void fadeIn(unsigned char *frames, int64_t count)
{
    scale(frames, count, true);
}

void fadeOut(unsigned char *frames, int64_t count)
{
    scale(frames, count, false);
}
