// Which of the synthesizer's messages reach stderr: each distinct text once
// per file. A track that ends at once is opened again and again, and the
// synthesizer repeats its warnings every time; they are said once, while
// the same file keeps being opened. Opening another file starts afresh.
#pragma once

#include <cstddef>
#include <set>
#include <string>

namespace sorvel {

class SynthLogFilter {
public:
    static constexpr size_t kMaxTexts = 64;

    // The file whose messages follow; the same path again keeps what was said.
    void setFile(const std::string& path) {
        if (path == path_) return;
        path_ = path;
        seen_.clear();
    }

    // True the first time a text comes for the current file. Once kMaxTexts
    // texts were said for it, the rest of that file's messages stay quiet.
    bool shouldPrint(const std::string& text) {
        if (seen_.size() >= kMaxTexts) return false;
        return seen_.insert(text).second;
    }

    bool shouldPrint(const std::string& path, const std::string& text) {
        setFile(path);
        return shouldPrint(text);
    }

private:
    std::string path_;
    std::set<std::string> seen_;
};

}  // namespace sorvel
