// A process-wide seam set for one scope: whatever a test does, failed
// assertions included, the value it had before is put back at the end.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>
#include <utility>

namespace sorvel {

// A seam held in a variable (a pointer or a std::function).
template <class T>
class Seam {
public:
    Seam(T& seam, T value) : seam_(seam), old_(std::exchange(seam, std::move(value))) {}
    ~Seam() { seam_ = std::move(old_); }
    Seam(const Seam&) = delete;
    Seam& operator=(const Seam&) = delete;

private:
    T& seam_;
    T old_;
};

// A seam behind a setter that returns the value it replaces.
template <class Call>
class SetSeam {
public:
    SetSeam(Call (*set)(Call), Call value) : set_(set), old_(set(value)) {}
    ~SetSeam() { set_(old_); }
    SetSeam(const SetSeam&) = delete;
    SetSeam& operator=(const SetSeam&) = delete;

private:
    Call (*set_)(Call);
    Call old_;
};

// An environment variable set (or, given no value, unset) for one scope.
class EnvSeam {
public:
    EnvSeam(const char* name, const char* value) : name_(name) {
        if (const char* v = std::getenv(name)) old_ = v;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~EnvSeam() {
        if (old_)
            ::setenv(name_.c_str(), old_->c_str(), 1);
        else
            ::unsetenv(name_.c_str());
    }
    EnvSeam(const EnvSeam&) = delete;
    EnvSeam& operator=(const EnvSeam&) = delete;

private:
    std::string name_;
    std::optional<std::string> old_;
};

}  // namespace sorvel
