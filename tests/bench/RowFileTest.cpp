#include "RowFile.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

class RowFileTest : public ::testing::Test {
protected:
    void TearDown() override { std::remove(path_.c_str()); }
    std::string path_ = ::testing::TempDir() + "rows-" + std::to_string(getpid()) + ".tsv";
};

RowResult Row(int32_t width, PF_PixelFormat format, double blur, unsigned threads, double scale)
{
    RowResult row;
    row.width = width;
    row.height = width / 2;
    row.format = format;
    row.blur = blur;
    row.threads = threads;
    row.timedFrames = 5;
    for (int stage = 0; stage < IrxStageCount; ++stage) {
        row.stages[stage] = Summary{scale * (stage + 1) / 3.0, scale / 7.0};
    }
    return row;
}

} // namespace

TEST_F(RowFileTest, RowsComeBackExactlyAsWritten)
{
    const std::vector<RowResult> rows{Row(3840, PF_PixelFormat_ARGB128, 0, 1, 2.123456789),
                                      Row(64, PF_PixelFormat_ARGB64, 2.5, 2, 1e-5),
                                      Row(1280, PF_PixelFormat_ARGB32, 100, 1, 0.25)};
    WriteRowFile(path_, rows);
    const std::vector<RowResult> back = ReadRowFile(path_);
    ASSERT_EQ(back.size(), rows.size());
    for (size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(back[i].width, rows[i].width);
        EXPECT_EQ(back[i].height, rows[i].height);
        EXPECT_EQ(back[i].format, rows[i].format);
        EXPECT_EQ(back[i].blur, rows[i].blur);
        EXPECT_EQ(back[i].threads, rows[i].threads);
        EXPECT_EQ(back[i].timedFrames, rows[i].timedFrames);
        for (int stage = 0; stage < IrxStageCount; ++stage) {
            EXPECT_EQ(back[i].stages[stage].median, rows[i].stages[stage].median);
            EXPECT_EQ(back[i].stages[stage].spread, rows[i].stages[stage].spread);
        }
    }
}

TEST_F(RowFileTest, AMalformedOrMissingFileIsRefusedWithItsLine)
{
    EXPECT_THROW(ReadRowFile(path_ + ".absent"), std::runtime_error);
    for (const std::string& line :
         {std::string("64\t32\t12\t0\t1\t5\t1\t0\t1\t0\t1\t0\t1\t0\t1\t0"), // no such depth
          std::string("64\t32\t8\t0\t1\t5\t1\t0\t1\t0"),                   // stages missing
          std::string("64\t32\t8\t0\t1\t5\t1\t0\t1\t0\t1\t0\t1\t0\t1\t0\t9")}) { // extra field
        std::ofstream(path_) << "64\t32\t8\t0\t1\t5\t1\t0\t1\t0\t1\t0\t1\t0\t1\t0\n" << line << "\n";
        try {
            ReadRowFile(path_);
            ADD_FAILURE() << "accepted: " << line;
        } catch (const std::runtime_error& e) {
            EXPECT_NE(std::string(e.what()).find(":2:"), std::string::npos) << e.what();
        }
    }
}
