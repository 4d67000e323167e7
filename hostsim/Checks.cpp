#include "hostsim/Checks.h"

#include "hostsim/WorldPool.h"

namespace hostsim {

void ConductRecord::call(std::string name, std::string args, PF_Err result) {
    if (on_) log_.add(std::move(name), std::move(args), result);
}

void ConductRecord::misuse(std::string what) {
    if (on_) misuses_.push_back(std::move(what));
}

void ConductRecord::handleGuardDamage(std::string what) {
    if (on_) handleGuardDamage_ = std::move(what);
}

void ConductRecord::fill(CommandResult& result) const {
    result.log = log_;
    result.misuse = misuses_;
    if (!handleGuardDamage_.empty()) result.misuse.push_back(handleGuardDamage_);
}

// The effect's records point at host worlds that are not const; unchecked,
// the caller's input world is lent as it is, as a host lends its own layer.
FrameInput::FrameInput(Checking checking, const FrameRequest& request)
    : request_(const_cast<FrameRequest&>(request)) {
    if (checking == Checking::Off) return;
    copy_.emplace(request.worlds ? request.worlds->take(request.input.shape()) : World());
    *copy_ = request.input;
}

void FrameInput::finish(const World& output, const ConductRecord& record, FrameResult& result) {
    if (!copy_) return;
    const World& input = *copy_;
    for (const World* world : {&input, &output}) {
        const std::string damage = world->guardDamage();
        if (!damage.empty()) result.guardDamage += std::string(world == &input ? "input: " : "output: ") + damage + "; ";
    }
    if (!record.handleGuardDamage().empty()) result.guardDamage += record.handleGuardDamage() + "; ";
    result.inputUntouched = copy_->samePixels(request_.input);
    if (request_.worlds) request_.worlds->give(std::move(*copy_));
    copy_.reset();
}

} // namespace hostsim
