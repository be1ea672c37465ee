#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "fenra/fenra.h"
#include "fenra/x11/uri_list.h"

namespace {

std::vector<std::string> parse(std::string text) {
    static std::vector<std::string> paths;
    paths.clear();
    Window window{};
    window.callbacks.on_drop.fn = [](Window*, void* user, const char* path) {
        static_cast<std::vector<std::string>*>(user)->push_back(path);
    };
    window.callbacks.on_drop.user = &paths;
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    uri_list_to_paths(&window, buffer.data());
    return paths;
}

std::string host_name() {
    char name[256] = {};
    gethostname(name, sizeof name - 1);
    return name;
}

using Paths = std::vector<std::string>;

}  // namespace

TEST(UriList, LinesToPaths) {
    const std::string host = host_name();
    ASSERT_GT(host.size(), 1u);
    const struct {
        const char* what;
        std::string text;
        Paths paths;
    } cases[] = {
        {"escaped space", "file:///home/u/My%20Song.mp3", {"/home/u/My Song.mp3"}},
        {"our host", "file://" + host + "/home/u/a.flac", {"/home/u/a.flac"}},
        {"another host", "file://no-such-host-" + host + "/home/u/a.flac", {}},
        {"host without a path", "file://" + host, {}},
        {"one-character host is skipped", "file://" + host.substr(0, 1) + "/x.mp3", {}},
        {"single slash", "file:/a/b.mp3", {"/a/b.mp3"}},
        {"bare file: root", "file:/", {"/"}},
        {"other schemes", "http://example.com/a.mp3\nsmb://server/share/b.mp3", {}},
        {"comment", "# file:///not/this\nfile:///yes", {"/yes"}},
        {"comment without a scheme", "#/a/b\nfile:///c", {"/c"}},
        {"relative text", "a/b.mp3\nfile:///d", {"/d"}},
        {"upper and lower case escapes", "file:///a%2fb%2Fc%41", {"/a/b/cA"}},
        {"non-hex escape kept", "file:///a%zzb", {"/a%zzb"}},
        {"second digit not hex", "file:///a%4gb", {"/a%4gb"}},
        {"percent after percent", "file:///a%%41", {"/a%%41"}},
        {"escape cut off after one digit", "file:///a%4", {"/a"}},
        {"escape cut off at the percent", "file:///a%", {"/a"}},
        {"escaped NUL ends the path", "file:///a%00b", {"/a"}},
        {"CR LF lines", "file:///a.mp3\r\nfile:///b.mp3\r\n", {"/a.mp3", "/b.mp3"}},
        {"blank line in the middle", "file:///a\r\n\r\nfile:///b", {"/a", "/b"}},
        {"LF only and no final line end", "file:///a\nfile:///b", {"/a", "/b"}},
        {"leading line end yields nothing", "\r\nfile:///a", {}},
        {"empty text", "", {}},
        {"four slashes keep one double slash", "file:////srv/x", {"//srv/x"}},
        {"escaped slashes after the host part", "file:///%2Fx", {"//x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(parse(c.text), c.paths);
    }
    // The host name only has to begin with the host (hosts of one character never
    // count, see above).
    if (host.size() > 2) {
        EXPECT_EQ(parse("file://" + host.substr(0, 2) + "/x.mp3"), Paths{"/x.mp3"});
    }
}

TEST(UriList, NullTextAndEmptySlotAreHarmless) {
    Window window{};
    uri_list_to_paths(&window, nullptr);
    char text[] = "file:///a";
    uri_list_to_paths(&window, text);  // no on_drop: nothing to call
    uri_list_to_paths(nullptr, text);
    EXPECT_STREQ(text, "file:///a");  // the line had no line end to overwrite
}
