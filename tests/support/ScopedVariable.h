// An environment variable set for a scope and removed at its end (in this
// process and the processes it starts meanwhile).
#pragma once

#include <cstdlib>

namespace testsupport {

class ScopedVariable {
public:
    ScopedVariable(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
    ~ScopedVariable() { unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};

} // namespace testsupport
