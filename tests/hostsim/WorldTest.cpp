#include "hostsim/World.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

namespace hostsim {
namespace {

const PF_PixelFormat kFormats[] = {PF_PixelFormat_ARGB32, PF_PixelFormat_ARGB64, PF_PixelFormat_ARGB128};

void FillEveryPixelByte(World& world) {
    for (int32_t y = 0; y < world.height(); ++y)
        std::memset(world.row(y), 0xEE, size_t(world.width()) * world.pixelSize());
}

TEST(World, GuardsCatchWritesIntoPaddingAndAroundTheBuffer) {
    for (PF_PixelFormat format : kFormats) {
        const int32_t rowbytes = int32_t(3 * PixelSize(format) + 7);
        World world({format, 3, 2, rowbytes});
        FillEveryPixelByte(world);
        EXPECT_TRUE(world.guardsIntact()) << world.guardDamage();

        World padding = world;
        padding.row(0)[3 * PixelSize(format)] ^= 1;
        EXPECT_FALSE(padding.guardsIntact());

        World lastRowPadding = world;
        lastRowPadding.row(1)[rowbytes - 1] ^= 1;
        EXPECT_FALSE(lastRowPadding.guardsIntact());

        World before = world;
        before.row(0)[-1] ^= 1;
        EXPECT_FALSE(before.guardsIntact());

        World after = world;
        after.row(1)[rowbytes] ^= 1;
        EXPECT_FALSE(after.guardsIntact());
    }
}

TEST(World, OddRowPitchesRaiseNoFalseAlarms) {
    // Too small (rows overlap), not a multiple of the pixel size, and tight.
    for (int32_t rowbytes : {8, 13, 16}) {
        World world({PF_PixelFormat_ARGB32, 4, 3, rowbytes});
        FillEveryPixelByte(world);
        EXPECT_TRUE(world.guardsIntact()) << rowbytes << ": " << world.guardDamage();
        world.row(2)[16] ^= 1;
        EXPECT_FALSE(world.guardsIntact()) << rowbytes;
    }
    World empty({PF_PixelFormat_ARGB128, 0, 0, {}});
    EXPECT_TRUE(empty.guardsIntact());
}

TEST(World, CopiesAndMovesOwnTheirBuffers) {
    World original({PF_PixelFormat_ARGB64, 2, 2, 24});
    original.set(1, 1, {32768, 1, 2, 3});
    World copy = original;
    EXPECT_NE(copy.record()->data, original.record()->data);
    EXPECT_EQ(copy.record()->platform_ref, &copy);
    copy.set(1, 1, {0, 0, 0, 0});
    EXPECT_EQ(original.get(1, 1)[0], 32768.0);

    World moved = std::move(copy);
    EXPECT_EQ(moved.record()->platform_ref, &moved);
    EXPECT_EQ(static_cast<uint8_t*>(moved.record()->data), moved.row(0));
    EXPECT_TRUE(moved.guardsIntact());
    EXPECT_EQ(copy.width(), 0);
    EXPECT_TRUE(copy.guardsIntact());
}

TEST(World, ValuesPassUnchanged) {
    World deep({PF_PixelFormat_ARGB64, 1, 1, {}});
    deep.set(0, 0, {32768, 0, 1, 65535});
    EXPECT_EQ(deep.pixel<PF_Pixel16>(0, 0).alpha, 32768);
    EXPECT_EQ(deep.pixel<PF_Pixel16>(0, 0).blue, 65535);

    World floats({PF_PixelFormat_ARGB128, 1, 1, {}});
    floats.set(0, 0, {2.5, -0.5, 1e-8, 1.0});
    EXPECT_EQ(floats.pixel<PF_PixelFloat>(0, 0).alpha, 2.5f);
    EXPECT_EQ(floats.pixel<PF_PixelFloat>(0, 0).red, -0.5f);
    EXPECT_THROW(floats.pixel<PF_Pixel8>(0, 0), std::logic_error);
    EXPECT_THROW(floats.get(1, 0), std::logic_error);
}

} // namespace
} // namespace hostsim
