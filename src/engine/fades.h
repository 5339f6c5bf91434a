#ifndef BRENLOWICK_FADES_H
#define BRENLOWICK_FADES_H

#include <cstdint>

// Linear fades over interleaved 16-bit stereo frames, so that starting and stopping the sound
// mid-song never makes a step a listener hears as a click. A fade of n frames scales frame i by
// (i + 1) / (n + 1) going in, (n - i) / (n + 1) going out: the first and last frames of the
// song's own sound on either side are never skipped or doubled, only made quieter.
void fadeIn(unsigned char *frames, int64_t count);
void fadeOut(unsigned char *frames, int64_t count);

#endif
