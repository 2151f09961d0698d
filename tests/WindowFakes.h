// The services a main window under test runs on: every one a fake.
#pragma once

#include "app/MainWindow.h"
#include "platform/Fakes.h"

namespace sorvel {

struct WindowFakes {
    FakeClock clock;
    RecordingShell shell;
    CountingBeeper beeper;
    FakeClipboard clipboard;
    FakeLocalAddress local;
    FakeWavPlayer wav;
    FakeMci mci;

    AppServices services() { return AppServices{&clock, &shell, &beeper, &clipboard, &local, &wav, &mci}; }
};

}  // namespace sorvel
