#include "hostsim/CallLog.h"

#include <algorithm>

namespace hostsim {

std::string HostCall::text() const {
    return name + "(" + args + ")=" + std::to_string(result);
}

void CallLog::add(std::string name, std::string args, PF_Err result) {
    calls_.push_back(HostCall{std::move(name), std::move(args), result});
}

void CallLog::append(const CallLog& later) { calls_.insert(calls_.end(), later.calls_.begin(), later.calls_.end()); }

std::vector<std::string> CallLog::names() const {
    std::vector<std::string> out;
    for (const HostCall& call : calls_) out.push_back(call.name);
    return out;
}

std::vector<std::string> CallLog::texts() const {
    std::vector<std::string> out;
    for (const HostCall& call : calls_) out.push_back(call.text());
    return out;
}

std::vector<HostCall> CallLog::named(const std::string& name) const {
    std::vector<HostCall> out;
    for (const HostCall& call : calls_)
        if (call.name == name) out.push_back(call);
    return out;
}

int CallLog::indexOf(const std::string& name, const std::string& args) const {
    for (size_t i = 0; i < calls_.size(); ++i)
        if (calls_[i].name == name && (args.empty() || calls_[i].args == args)) return static_cast<int>(i);
    return -1;
}

size_t CallLog::count(const std::string& name) const {
    return static_cast<size_t>(std::count_if(calls_.begin(), calls_.end(),
                                             [&](const HostCall& call) { return call.name == name; }));
}

std::string CallLog::describe() const {
    std::string out;
    for (const HostCall& call : calls_) out += call.text() + "\n";
    return out;
}

} // namespace hostsim
