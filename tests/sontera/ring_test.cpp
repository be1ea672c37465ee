// Ring buffer of the sink: placement of appended frames, the drop rule and the
// bookkeeping of written frames, on a ring of 8 one-byte-tagged frames.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "sontera/sontera.h"

namespace {

constexpr uint32_t kCapacity = 8;
constexpr uint32_t kFrameBytes = 4;  // 16-bit stereo

struct TestRing {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(kCapacity * kFrameBytes, 0);
    SonteraSink sink{};
    TestRing(uint32_t read, uint32_t used) {
        sink.ring = bytes.data();
        sink.capacity = kCapacity;
        sink.frame_bytes = kFrameBytes;
        sink.read = read;
        sink.used = used;
    }
    // Tag of the frame stored at ring index i (all its bytes carry it).
    uint8_t tag(uint32_t i) const { return bytes[i * kFrameBytes]; }
};

std::vector<uint8_t> frames_tagged(uint8_t first, uint32_t count) {
    std::vector<uint8_t> v(count * kFrameBytes);
    for (uint32_t f = 0; f < count; f++) memset(&v[f * kFrameBytes], first + f, kFrameBytes);
    return v;
}

struct AppendCase {
    const char* name;
    uint32_t read, used, frames;
    std::vector<uint32_t> indices;  // where the appended frames land, in order
    uint32_t used_after;
    bool drops;
};

class RingAppend : public testing::TestWithParam<AppendCase> {};

TEST_P(RingAppend, PlacesFramesAndDropsOnlyTheExcess) {
    const AppendCase& c = GetParam();
    TestRing r(c.read, c.used);
    auto data = frames_tagged(100, c.frames);
    testing::internal::CaptureStderr();
    uint32_t kept = sontera_ring_append(&r.sink, data.data(), c.frames);
    std::string err = testing::internal::GetCapturedStderr();

    EXPECT_EQ(kept, c.indices.size());
    EXPECT_EQ(r.sink.used, c.used_after);
    EXPECT_EQ(r.sink.read, c.read);
    for (size_t k = 0; k < c.indices.size(); k++)
        EXPECT_EQ(r.tag(c.indices[k]), 100 + k) << "frame " << k;
    // Every other index was left alone.
    for (uint32_t i = 0; i < kCapacity; i++) {
        bool written = false;
        for (uint32_t idx : c.indices) written |= idx == i;
        if (!written) {
            EXPECT_EQ(r.tag(i), 0) << "index " << i;
        }
    }
    const std::string drop =
        "sontera_add_data_to_outbuf(): not enough space in outbuf, dropping data!\n";
    EXPECT_EQ(err, c.drops ? drop : "");
}

INSTANTIATE_TEST_SUITE_P(
    Capacity8, RingAppend,
    testing::Values(
        AppendCase{"WrapsPastTheEnd", 6, 1, 4, {7, 0, 1, 2}, 5, false},
        AppendCase{"WaitingFramesWrapSoOneCopy", 6, 4, 3, {2, 3, 4}, 7, false},
        AppendCase{"ExactlyFillsToTheEnd", 2, 2, 4, {4, 5, 6, 7}, 6, false},
        AppendCase{"FitsBeforeTheEnd", 0, 0, 5, {0, 1, 2, 3, 4}, 5, false},
        AppendCase{"WriteStartsAtZeroAfterFullTail", 4, 4, 3, {0, 1, 2}, 7, false},
        AppendCase{"CutToFreeSpace", 6, 4, 6, {2, 3, 4, 5}, 8, true},
        AppendCase{"EmptyRingTakesAtMostCapacity", 3, 0, 11, {3, 4, 5, 6, 7, 0, 1, 2}, 8, true},
        AppendCase{"FullRingDropsEverything", 5, 8, 2, {}, 8, true},
        AppendCase{"NothingToAppend", 6, 1, 0, {}, 1, false}),
    [](const testing::TestParamInfo<AppendCase>& info) { return info.param.name; });

struct DrainCase {
    uint32_t read, used, contiguous;
    uint32_t consume;  // frames the device took
    uint32_t read_after, used_after;
    bool bug;
};

TEST(RingDrain, WritesOnlyUpToTheEndAndWrapsRead) {
    const DrainCase cases[] = {
        {6, 4, 2, 2, 0, 2, false},  // wrapped: only indices 6 and 7 in this pass
        {0, 4, 2 + 2, 3, 3, 1, false},
        {2, 6, 6, 6, 0, 0, false},  // exactly to the end, read wraps to 0
        {7, 1, 1, 1, 0, 0, false},
        {5, 0, 0, 0, 5, 0, false},
        {6, 1, 1, 5, 7 & 7, 0, true},  // device claims more than waited
    };
    for (const DrainCase& c : cases) {
        TestRing r(c.read, c.used);
        EXPECT_EQ(sontera_ring_contiguous(&r.sink), c.contiguous) << c.read << "/" << c.used;
        testing::internal::CaptureStderr();
        sontera_ring_consume(&r.sink, c.consume);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(r.sink.read, c.read_after) << c.read << "/" << c.used;
        EXPECT_EQ(r.sink.used, c.used_after) << c.read << "/" << c.used;
        EXPECT_EQ(err.find("BUG: removing more frames from used!") != std::string::npos, c.bug);
        EXPECT_LT(r.sink.read, kCapacity);
    }
}

// Interleaved appends and partial drains keep every frame in order.
TEST(RingDrain, LongRunKeepsFrameOrder) {
    TestRing r(0, 0);
    uint8_t next_in = 1, next_out = 1;
    const uint32_t appends[] = {3, 5, 2, 7, 1, 4, 6, 2, 8, 3};
    const uint32_t drains[] = {2, 1, 6, 3, 4, 1, 5, 3, 2, 7};
    for (size_t step = 0; step < std::size(appends); step++) {
        uint32_t room = kCapacity - r.sink.used;
        uint32_t n = appends[step] < room ? appends[step] : room;
        auto data = frames_tagged(next_in, n);
        ASSERT_EQ(sontera_ring_append(&r.sink, data.data(), n), n);
        next_in += n;
        uint32_t want = drains[step];
        while (want > 0 && r.sink.used > 0) {
            uint32_t c = sontera_ring_contiguous(&r.sink);
            uint32_t take = c < want ? c : want;
            for (uint32_t k = 0; k < take; k++) ASSERT_EQ(r.tag(r.sink.read + k), next_out++);
            sontera_ring_consume(&r.sink, take);
            want -= take;
        }
    }
    EXPECT_EQ(next_in - next_out, r.sink.used);
}

}  // namespace
