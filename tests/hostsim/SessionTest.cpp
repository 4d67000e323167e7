#include "hostsim/Session.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <atomic>
#include <set>
#include <thread>
#include <tuple>
#include <vector>

namespace {

using Seen = std::vector<std::pair<PF_Cmd, std::thread::id>>;
using SeenCommands = void (*)(Seen*);

// The first frame sets up and describes the effect (describing on the caller's
// thread); global setup, frames and setdown run on the session's own threads,
// never more than it has, whatever threads call and however many at once; a
// failed global setup is set down and tried again by the next frame, as is one
// set down on purpose. Each of its threads starts with the caller's start-up. Frames take their worlds from its pool,
// which hands a kept world out again only for its exact shape and with its
// guards intact; a take of another shape gets a fresh one, and the kept go.
TEST(Session, GraphicsRunOnItsOwnFewThreadsAndAFailedSetupIsTriedAgain) {
    void* effect = dlopen(SESSION_EFFECT_PATH, RTLD_NOW | RTLD_LOCAL); // keeps its notes past the session
    ASSERT_NE(effect, nullptr);
    const auto seenCommands = reinterpret_cast<SeenCommands>(dlsym(effect, "SeenCommands"));
    ASSERT_NE(seenCommands, nullptr);
    const hostsim::FrameRequest frame(hostsim::World({PF_PixelFormat_ARGB64, 4, 4, std::nullopt}));
    hostsim::SessionOptions options;
    options.renderThreads = 3;
    std::atomic<unsigned> starts{0};
    options.onRenderThreadStart = [&] { ++starts; };
    std::set<std::thread::id> callers{std::this_thread::get_id()};
    {
        hostsim::Session session(SESSION_EFFECT_PATH, options);
        EXPECT_THROW(session.render(frame), hostsim::CommandFailure);
        for (int rounds = 0; rounds < 5; ++rounds) { // four callers at once, then four new ones
            std::vector<std::thread> round;
            for (int i = 0; i < 4; ++i) round.emplace_back([&] { EXPECT_EQ(session.render(frame).result, PF_Err_NONE); });
            for (std::thread& caller : round) callers.insert(caller.get_id()), caller.join();
        }
        session.setDown(), session.setDown(); // the second has nothing to set down
        hostsim::WorldPool& pool = session.worlds();
        hostsim::World kept(frame.input);
        kept.row(0)[0] = 9, pool.give(kept), pool.give(kept); // the frame's input and output
        const auto make = [&](size_t) { hostsim::FrameRequest made(pool.take(kept.shape())); return made.worlds = &pool, made; };
        session.renderFrames(1, make, [](size_t i, hostsim::FrameResult&& result) {
            EXPECT_EQ(std::tie(i, result.result, result.output.row(0)[0]), std::make_tuple(size_t{0}, PF_Err_NONE, 9));
        });
        const std::pair<hostsim::WorldShape, bool> takes[] = { // the first finds the input given back
            {{PF_PixelFormat_ARGB64, 4, 4, std::nullopt}, true}, {{PF_PixelFormat_ARGB64, 4, 4, 32}, true},
            {{PF_PixelFormat_ARGB64, 4, 4, 40}, false}, {{PF_PixelFormat_ARGB32, 4, 4, 32}, false},
            {{PF_PixelFormat_ARGB64, 3, 4, 32}, false}, {{PF_PixelFormat_ARGB64, 4, 3, std::nullopt}, false},
            {kept.shape(), false}}; // the last: guards damaged
        for (const auto& [shape, same] : takes) {
            EXPECT_EQ(pool.take(shape).row(0)[0], same ? 9 : 0) << shape.format << " " << shape.width << "x" << shape.height;
            EXPECT_EQ(pool.take(kept.shape()).row(0)[0], 0);
            if (&shape == &takes[5].first) ++kept.row(3)[32]; // after the last row
            pool.give(kept);
        }
    }
    std::vector<PF_Cmd> expected{PF_Cmd_GLOBAL_SETUP, PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_GLOBAL_SETUP, PF_Cmd_PARAMS_SETUP};
    expected.insert(expected.end(), 20, PF_Cmd_SMART_RENDER);
    expected.insert(expected.end(), {PF_Cmd_GLOBAL_SETDOWN, PF_Cmd_GLOBAL_SETUP, PF_Cmd_SMART_RENDER, PF_Cmd_GLOBAL_SETDOWN});
    std::vector<PF_Cmd> commands;
    std::set<std::thread::id> renderThreads;
    Seen seen;
    seenCommands(&seen);
    for (const auto& [command, thread] : seen) {
        commands.push_back(command);
        (command == PF_Cmd_PARAMS_SETUP ? callers : renderThreads).insert(thread);
    }
    EXPECT_EQ(commands, expected);
    EXPECT_LE(renderThreads.size(), options.renderThreads);
    EXPECT_EQ(starts.load(), options.renderThreads);
    for (const std::thread::id& thread : renderThreads) EXPECT_EQ(callers.count(thread), 0u);
    dlclose(effect);
    EXPECT_THROW(hostsim::Session(FAKE_EFFECT_PATH).parameters(), hostsim::CommandFailure); // it registers nothing
}

} // namespace
