// The host's checks of what the effect does, a layer that tests and fuzzers
// turn on (Checking::On) and the tool and the plug-ins leave off, since each
// check costs every frame a user renders: the call log and misuse notes of
// every command, and around smart render a copy of the input compared once
// the effect is done and a scan of both worlds' guard bytes. Off, the effect
// renders straight from the caller's input world and nothing is recorded.
#pragma once

#include "hostsim/CallLog.h"
#include "hostsim/Commands.h"

#include <optional>
#include <string>
#include <vector>

namespace hostsim {

enum class Checking { Off, On };

// One command's conduct as the host saw it: the host calls in order, the
// misuse noticed, damage to the canaries after a disposed handle.
class ConductRecord {
public:
    explicit ConductRecord(Checking checking) : on_(checking == Checking::On) {}

    void call(std::string name, std::string args, PF_Err result);
    void misuse(std::string what);
    void handleGuardDamage(std::string what);

    // The log and the misuse (handle damage last) into a command's result.
    void fill(CommandResult& result) const;
    const std::string& handleGuardDamage() const { return handleGuardDamage_; }

private:
    const bool on_;
    CallLog log_;
    std::vector<std::string> misuses_;
    std::string handleGuardDamage_;
};

// Smart render's input world. Checked, it is a copy of the request's (from
// the request's world pool, when it names one), and finish() reports what
// the effect did to it and to the guard bytes; unchecked, it is the
// request's own world, which the effect may only read.
class FrameInput {
public:
    FrameInput(Checking checking, const FrameRequest& request);
    FrameInput(const FrameInput&) = delete;
    FrameInput& operator=(const FrameInput&) = delete;

    World& world() { return copy_ ? *copy_ : request_.input; }

    // Guard damage and whether the input is untouched, into the result; the
    // copy goes back to the pool.
    void finish(const World& output, const ConductRecord& record, FrameResult& result);

private:
    FrameRequest& request_;
    std::optional<World> copy_;
};

} // namespace hostsim
