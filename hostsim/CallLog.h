// The ordered record of the host calls an effect made during one command.
#pragma once

#include "host/HostTypes.h"

#include <string>
#include <vector>

namespace hostsim {

struct HostCall {
    std::string name;  // "AcquireSuite", "checkout_param", "iterate", ...
    std::string args;  // the arguments that matter, e.g. "PF World Suite,2" or "3"
    PF_Err result = PF_Err_NONE;

    std::string text() const; // "name(args)=result"
};

class CallLog {
public:
    void add(std::string name, std::string args, PF_Err result);
    void append(const CallLog& later);

    const std::vector<HostCall>& calls() const { return calls_; }
    std::vector<std::string> names() const;
    std::vector<std::string> texts() const;
    // Calls whose name is `name`, in order.
    std::vector<HostCall> named(const std::string& name) const;
    // Position of the first call with this name (and these args, when given); -1 if none.
    int indexOf(const std::string& name, const std::string& args = {}) const;
    size_t count(const std::string& name) const;
    std::string describe() const; // one call per line

private:
    std::vector<HostCall> calls_;
};

} // namespace hostsim
