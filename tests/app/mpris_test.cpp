// The desktop media controls' pure pieces: file URIs both ways, the volume step
// nearest to a gain, track ids and the loop status of each play mode.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "foundation/file_uri.h"
#include "app/mpris_internal.h"
#include "app/player.h"
#include "foundation/memory.h"

TEST(FileUri, FromPathEscapesAllButUnreservedAndSlash) {
    const struct {
        const char* path;
        const char* uri;
    } cases[] = {
        {"/music/a.mp3", "file:///music/a.mp3"},
        {"/a b/01 Song.flac", "file:///a%20b/01%20Song.flac"},
        {"/x/100%#?.wav", "file:///x/100%25%23%3F.wav"},
        {"/caf\xc3\xa9/~_-.", "file:///caf%C3%A9/~_-."},
        {"/", "file:///"},
    };
    for (const auto& c : cases) {
        char* uri = file_uri_from_path(c.path);
        EXPECT_STREQ(uri, c.uri) << c.path;
        char back[64];
        ASSERT_TRUE(file_uri_to_path(uri, back, sizeof back)) << uri;
        EXPECT_STREQ(back, c.path);
        dru_free(uri);
    }
}

TEST(FileUri, ToPathAcceptsLocalFilesOnly) {
    const struct {
        const char* uri;
        const char* path;  // null: refused
    } cases[] = {
        {"file:///a/b.mp3", "/a/b.mp3"},
        {"FILE://LocalHost/a%2fb", "/a/b"},
        {"file:///a%20b?query#frag", "/a b"},
        {"file:///%e2%82%ac", "/\xe2\x82\xac"},
        {"file://host/a.mp3", nullptr},
        {"file:/a.mp3", nullptr},
        {"file://", nullptr},
        {"http://x/a.mp3", nullptr},
        {"", nullptr},
        {"file:///a%2", nullptr},
        {"file:///a%", nullptr},
        {"file:///a%zz", nullptr},
        {"file:///a%00b", nullptr},
        {"file:///0123456789abcdef", nullptr},  // longer than the room given
    };
    for (const auto& c : cases) {
        char out[16];
        bool ok = file_uri_to_path(c.uri, out, sizeof out);
        EXPECT_EQ(ok, c.path != nullptr) << c.uri;
        if (ok && c.path) {
            EXPECT_STREQ(out, c.path) << c.uri;
        }
    }
}

TEST(MprisValues, VolumeStepNearestToGain) {
    const struct {
        double gain;
        int32_t step;
    } cases[] = {
        {0.5, 17},  {1.0, 20},  {7.5, 20}, {0.0, 0},   {-1.0, 0}, {NAN, 0},
        {0.79, 19}, {0.72, 19}, {0.7, 18}, {0.005, 0}, {0.01, 1},
    };
    for (const auto& c : cases) EXPECT_EQ(mpris_volume_step(c.gain), c.step) << c.gain;
}

TEST(MprisValues, TrackIdsAndLoopStatus) {
    char id[64];
    mpris_track_id(7, id, sizeof id);
    EXPECT_STREQ(id, "/org/qulmo/track/7");
    mpris_track_id(4294967295u, id, sizeof id);
    EXPECT_STREQ(id, "/org/qulmo/track/4294967295");
    Player player{};  // nothing loaded yet
    mpris_current_track_id(&player, id, sizeof id);
    EXPECT_STREQ(id, "/org/mpris/MediaPlayer2/TrackList/NoTrack");
    EXPECT_EQ(mpris_position_us(&player), 0);

    EXPECT_STREQ(mpris_loop_status(PLAY_NORMAL), "None");
    EXPECT_STREQ(mpris_loop_status(PLAY_SINGLE), "Track");
    EXPECT_STREQ(mpris_loop_status(PLAY_REPEAT), "Playlist");
    EXPECT_STREQ(mpris_loop_status(PLAY_SHUFFLE), "Playlist");
}
