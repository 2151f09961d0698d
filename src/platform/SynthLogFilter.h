// Which of the synthesizer's messages reach stderr: each distinct text once
// per file. A track that ends at once is opened again and again (alone, or
// in turn with others under a repeating pattern), and the synthesizer
// repeats its warnings every time; they are said once per file for the run.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>

namespace sorvel {

class SynthLogFilter {
public:
    static constexpr size_t kMaxTexts = 64;    // per file; then it stays quiet
    static constexpr size_t kMaxFiles = 256;   // files remembered; then all start afresh

    // The file whose messages follow.
    void setFile(const std::string& path) {
        if (path == path_ && current_) return;
        path_ = path;
        if (seen_.size() >= kMaxFiles && !seen_.count(path)) seen_.clear();
        current_ = &seen_[path];
    }

    // True the first time a text comes for the current file.
    bool shouldPrint(const std::string& text) {
        if (!current_) setFile(path_);
        if (current_->size() >= kMaxTexts) return false;
        return current_->insert(text).second;
    }

    bool shouldPrint(const std::string& path, const std::string& text) {
        setFile(path);
        return shouldPrint(text);
    }

private:
    std::string path_;
    std::map<std::string, std::set<std::string>> seen_;
    std::set<std::string>* current_ = nullptr;
};

}  // namespace sorvel
