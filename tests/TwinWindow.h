// A main window on fakes of its own but on a clock it shares with another,
// loaded, at the screen's corner and shown: two of them, one hidden and one
// in view, must go through the same frames alike.
#pragma once

#include <memory>

#include "TempDir.h"
#include "WindowFakes.h"
#include "app/MainWindow.h"
#include "platform/Fakes.h"

namespace sorvel {

struct TwinWindow : WindowFakes {
    TempDir dir;
    std::unique_ptr<MainWindow> w;
    explicit TwinWindow(FakeClock& shared) {
        AppServices sv = services();
        sv.clock = &shared;   // both twins run on one clock
        w = std::make_unique<MainWindow>(dir.path(), sv);
        w->endProgram = [](int) {};
        w->runFileDialog = [] {};
        w->formLoad();
        w->move(0, 0);
        w->show();
    }
};

}  // namespace sorvel
