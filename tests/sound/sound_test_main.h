#ifndef BRENLOWICK_SOUND_TEST_MAIN_H
#define BRENLOWICK_SOUND_TEST_MAIN_H

#include "sound/harness/private_sound_server.h"

#include <QCoreApplication>
#include <QTest>

#include <cstdio>

// A sound test's main: skipped (77, which ctest counts as skipped) where there is no sound
// server to start, run as a Qt Test otherwise.
#define BRENLOWICK_SOUND_TEST_MAIN(TestClass)                                                      \
    int main(int argc, char *argv[])                                                               \
    {                                                                                              \
        if (!PrivateSoundServer::installed()) {                                                    \
            std::fputs("pulseaudio or pactl is not installed: skipped\n", stderr);                 \
            return 77;                                                                             \
        }                                                                                          \
        QCoreApplication application(argc, argv);                                                  \
        TestClass test;                                                                            \
        return QTest::qExec(&test, argc, argv);                                                    \
    }

#endif
