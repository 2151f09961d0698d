#pragma once
#include <string>
#include <thread>
#include <vector>

namespace sorvel {

// Reads the system's font configuration and font caches on a thread of its
// own while the main thread connects to the display: the first font the
// program asks for needs them, and read here they no longer hold up the
// first picture on a machine with more than one core. The same thread works
// out which family fontconfig puts in the place of each of the given
// names, which is what telling whether a family is installed costs.
//
// Made just before the QApplication (it sets the locale the environment
// asks for, as the QApplication does); wait() (or the destructor) joins the
// thread. Call it as soon as the QApplication stands, before the
// environment is changed again or a font is used.
class FontWarmUp {
public:
    explicit FontWarmUp(std::vector<std::string> families = {});
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    void wait();
    // Once the thread has ended (this waits for it): for each family given,
    // in the same order, the family fontconfig substitutes for it first (an
    // empty string where it names none). Empty when nothing was worked out
    // ahead.
    const std::vector<std::string>& substitutes();

    // The family fontconfig's configuration puts first in the place of
    // `family`, as font matching sees it.
    static std::string firstSubstitute(const std::string& family);

private:
    std::vector<std::string> families_;
    std::vector<std::string> substitutes_;
    std::thread thread_;
};

}  // namespace sorvel
