// Music lists of any size (offscreen, the real window with fake services):
// load, page change, insert, delete and save times for 1k, 20k and 100k
// generated entries; the panel slide with a 20k list beside an empty one;
// a list with one 10 MB entry beside a short one; pruning 10,000 missing
// entries in a row. Medians of several runs.
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "app/MainWindow.h"
#include "platform/Fakes.h"

using namespace sorvel;
using Steady = std::chrono::steady_clock;

namespace {
double msSince(Steady::time_point t0) { return std::chrono::duration<double, std::milli>(Steady::now() - t0).count(); }

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void writeFile(const std::string& path, const std::string& text) {
    QFile f(QString::fromStdString(path));
    f.open(QIODevice::WriteOnly);
    f.write(text.data(), static_cast<qint64>(text.size()));
}

std::string listFile(int n, const char* folder = "/home/user/Music/collection") {
    std::string s;
    for (int i = 0; i < n; ++i) s += "\"" + std::string(folder) + "/artist " + std::to_string(i % 97) + "/track " + std::to_string(i) + ".mid\"\r\n";
    return s;
}

struct Rig {
    QTemporaryDir dir;
    std::string folder = dir.path().toStdString() + "/";
    FakeClock clock;
    RecordingShell shell;
    CountingBeeper beeper;
    FakeClipboard clip;
    FakeLocalAddress local;
    FakeWavPlayer wav;
    FakeMci mci;
    std::unique_ptr<MainWindow> w;
    explicit Rig(const std::string& page0) {
        std::string data, lot;
        for (int i = 0; i < 251; ++i) {
            data += "\"\"\r\n";
            lot += "0\r\n";
        }
        writeFile(folder + "data.dat", data + "0\r\n0\r\n");
        writeFile(folder + "lot.dat", lot);
        writeFile(folder + "midpage.dat", "0\r\n");
        writeFile(folder + "midlist.dat", page0);
        mci.openAnything = true;
        clock.now = 1'000'000;
        w = std::make_unique<MainWindow>(folder, AppServices{&clock, &shell, &beeper, &clip, &local, &wav, &mci});
        w->runFileDialog = [] {};
    }
    void frame() {
        clock.now += 51;
        w->tick();
        QCoreApplication::processEvents();
    }
};

// Time of f followed by the view's layout and one paint.
double timed(Rig& r, const std::function<void()>& f) {
    const auto t0 = Steady::now();
    f();
    QCoreApplication::processEvents();
    r.w->list1()->viewport()->grab();
    return msSince(t0);
}
}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::printf("music list, medians of 5 runs (ms):\n");
    std::printf("%8s %10s %12s %12s %10s %10s\n", "entries", "load", "page change", "add on top", "delete", "save");
    for (int n : {1000, 20000, 100000}) {
        std::vector<double> load, page, add, del, save;
        for (int run = 0; run < 5; ++run) {
            Rig r(listFile(n));
            r.w->formLoad();
            r.w->show();
            r.w->com5Click(1);
            for (int i = 0; i < 8; ++i) r.frame();
            load.push_back(timed(r, [&] { r.w->music().loadList(); }));
            // Next page and back: two saves, two loads.
            page.push_back(timed(r, [&] {
                r.w->list3Click(1);
                r.w->list3Click(0);
            }));
            r.w->state().fileDialogValue.clear();
            add.push_back(timed(r, [&] {
                r.w->state().fileDialogValue = "/home/user/Music/new.mid";
                r.w->music().addMusicEntries();
            }));
            r.w->musicList().select(n / 2);
            del.push_back(timed(r, [&] { r.w->com5Click(5); }));
            save.push_back(timed(r, [&] { r.w->music().saveList(); }));
        }
        std::printf("%8d %10.1f %12.1f %12.1f %10.1f %10.1f\n", n, median(load), median(page), median(add), median(del),
                    median(save));
    }

    // Start-up: window, data files, list, first frame, shown and painted.
    for (int n : {0, 20000, 100000}) {
        std::vector<double> start;
        for (int run = 0; run < 5; ++run) {
            Rig r(listFile(n));
            const auto t0 = Steady::now();
            r.w->formLoad();
            r.w->show();
            QCoreApplication::processEvents();
            r.w->grab();
            start.push_back(msSince(t0));
            if (r.w->musicList().count() != n) std::printf("start-up loaded %d of %d entries!\n", r.w->musicList().count(), n);
        }
        std::printf("start-up to the first painted window with %6d entries: %.1f ms\n", n, median(start));
    }

    // The slide: the costliest of its frames, with an empty and a 20k list.
    for (int n : {0, 20000}) {
        std::vector<double> worst;
        for (int run = 0; run < 5; ++run) {
            Rig r(listFile(n));
            r.w->formLoad();
            r.w->show();
            QCoreApplication::processEvents();
            r.w->com5Click(1);
            double most = 0;
            for (int i = 0; i < 7; ++i) {
                const auto t0 = Steady::now();
                r.frame();
                r.w->grab();
                most = std::max(most, msSince(t0));
            }
            worst.push_back(most);
        }
        std::printf("panel opening, costliest frame with %5d entries: %.1f ms (one frame at 20 fps: 50 ms)\n", n,
                    median(worst));
    }

    // One enormous hand-edited line beside a short one.
    {
        std::string huge = "\"/";
        huge.append(10 * 1024 * 1024, 'x');
        huge += ".mid\"\r\n";
        for (const auto& [name, file] : {std::pair<const char*, std::string>{"short entries", listFile(10)},
                                         {"one 10 MB entry", huge + listFile(9)}}) {
            std::vector<double> open;
            for (int run = 0; run < 3; ++run) {
                Rig r(file);
                r.w->formLoad();
                r.w->show();
                QCoreApplication::processEvents();
                open.push_back(timed(r, [&] {
                    r.w->com5Click(1);
                    for (int i = 0; i < 8; ++i) {
                        r.frame();
                        r.w->grab();
                    }
                }));
            }
            std::printf("list of 10 with %-16s: panel open and drawn in %.1f ms\n", name, median(open));
        }
    }

    // 10,000 missing entries in a row, then one that plays.
    {
        std::vector<double> prune;
        for (int run = 0; run < 3; ++run) {
            std::string file;
            for (int i = 0; i < 10000; ++i) file += "\"/gone/" + std::to_string(i) + ".mid\"\r\n";
            file += "\"/ok.mid\"\r\n";
            Rig r(file);
            r.mci.openAnything = false;
            r.mci.good["/ok.mid"] = true;
            r.w->formLoad();
            r.w->show();
            r.w->com5Click(1);
            for (int i = 0; i < 8; ++i) r.frame();
            prune.push_back(timed(r, [&] { r.w->musicList().select(0); }));
            if (r.w->musicList().count() != 1) std::printf("pruning left %d entries!\n", r.w->musicList().count());
        }
        std::printf("10,000 missing entries in a row pruned and saved: %.1f ms\n", median(prune));
    }
    return 0;
}
