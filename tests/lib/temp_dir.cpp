#include "temp_dir.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <system_error>

TempDir::TempDir() : owner(getpid()) {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qulmo-test-XXXXXX";
    if (mkdtemp(pattern.data())) {
        path = pattern;
    } else {
        ADD_FAILURE() << "cannot make a directory like " << pattern;
    }
}

TempDir::~TempDir() {
    if (path.empty() || getpid() != owner) return;
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
}

std::string TempDir::file(const std::string& name, std::string_view bytes) const {
    const std::filesystem::path p = path / name;
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    EXPECT_TRUE(out.good()) << "cannot write " << p;
    return p.string();
}
