#pragma once
#include <thread>

namespace sorvel {

// Reads the system's font configuration and font caches on a thread of its
// own while the main thread connects to the display: the first font the
// program asks for needs them, and read here they no longer hold up the
// first picture on a machine with more than one core. Made just before the
// QApplication; wait() (or the destructor) joins the thread. Call it as soon
// as the QApplication stands, before the environment is changed again or a
// font is used.
class FontWarmUp {
public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void wait();

private:
    std::thread thread_;
};

}  // namespace sorvel
