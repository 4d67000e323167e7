#include "hostsim/Session.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <set>
#include <thread>
#include <vector>

namespace {

using SeenCommands = std::vector<std::pair<PF_Cmd, std::thread::id>> (*)();

// Describing runs on the caller's thread; global setup, frames and setdown on
// the session's own threads, never more of them than it has, whatever threads
// call and however many at once; a failed global setup is set down and tried
// again by the next frame.
TEST(Session, GraphicsRunOnItsOwnFewThreadsAndAFailedSetupIsTriedAgain) {
    void* effect = dlopen(SESSION_EFFECT_PATH, RTLD_NOW | RTLD_LOCAL); // keeps its notes past the session
    ASSERT_NE(effect, nullptr);
    const auto seenCommands = reinterpret_cast<SeenCommands>(dlsym(effect, "SeenCommands"));
    ASSERT_NE(seenCommands, nullptr);
    const hostsim::FrameRequest frame(hostsim::World({PF_PixelFormat_ARGB32, 4, 4, std::nullopt}));
    hostsim::SessionOptions options;
    options.renderThreads = 2;
    std::set<std::thread::id> callers{std::this_thread::get_id()};
    {
        hostsim::Session session(SESSION_EFFECT_PATH, options);
        session.parameters();
        EXPECT_THROW(session.render(frame), hostsim::CommandFailure);
        for (int rounds = 0; rounds < 5; ++rounds) { // four callers at once, then four new ones
            std::vector<std::thread> round;
            for (int i = 0; i < 4; ++i) {
                round.emplace_back([&] { EXPECT_EQ(session.render(frame).result, PF_Err_NONE); });
                callers.insert(round.back().get_id());
            }
            for (std::thread& caller : round) caller.join();
        }
    }
    std::vector<PF_Cmd> expected{PF_Cmd_PARAMS_SETUP, PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_GLOBAL_SETUP};
    expected.insert(expected.end(), 20, PF_Cmd_SMART_RENDER);
    expected.push_back(PF_Cmd_GLOBAL_SETDOWN);
    std::vector<PF_Cmd> commands;
    std::set<std::thread::id> renderThreads;
    for (const auto& [command, thread] : seenCommands()) {
        commands.push_back(command);
        (command == PF_Cmd_PARAMS_SETUP ? callers : renderThreads).insert(thread);
    }
    EXPECT_EQ(commands, expected);
    EXPECT_LE(renderThreads.size(), options.renderThreads);
    for (const std::thread::id& thread : renderThreads) EXPECT_EQ(callers.count(thread), 0u);
    dlclose(effect);
}

} // namespace
