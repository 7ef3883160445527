// The application icon (resource 1): one icon group of seven 32-bit images,
// each stored PNG-compressed, read from the committed resources/ostrivel.ico.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#ifndef OSTRIVEL_SOURCE_DIR
#error "tests/CMakeLists.txt passes the source directory"
#endif

namespace {

std::vector<uint8_t> readIcon() {
    std::string path = OSTRIVEL_SOURCE_DIR "/resources/ostrivel.ico";
#ifdef _WIN32
    // Under Wine the source tree is reached through the drive of the Unix root.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    std::vector<uint8_t> bytes;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(file);
    return bytes;
}

uint32_t le16(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8); }
uint32_t le32(const std::vector<uint8_t>& b, size_t at) { return le16(b, at) | (le16(b, at + 2) << 16); }
uint32_t be32(const std::vector<uint8_t>& b, size_t at) {
    return (uint32_t{b[at]} << 24) | (uint32_t{b[at + 1]} << 16) | (uint32_t{b[at + 2]} << 8) | b[at + 3];
}

TEST(Icon, SevenThirtyTwoBitPngImages) {
    const std::vector<uint8_t> ico = readIcon();
    ASSERT_GE(ico.size(), 6u) << "resources/ostrivel.ico missing";
    EXPECT_EQ(le16(ico, 0), 0u);   // reserved
    EXPECT_EQ(le16(ico, 2), 1u);   // icon, not cursor
    const uint32_t count = le16(ico, 4);
    ASSERT_EQ(count, 7u);
    ASSERT_GE(ico.size(), 6u + 16u * count);

    static const uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::set<uint32_t> sizes;
    for (uint32_t i = 0; i < count; ++i) {
        const size_t entry = 6 + 16 * i;
        const uint32_t width = ico[entry] == 0 ? 256 : ico[entry];
        const uint32_t height = ico[entry + 1] == 0 ? 256 : ico[entry + 1];
        EXPECT_EQ(width, height) << i;
        EXPECT_EQ(le16(ico, entry + 4), 1u) << i;    // planes
        EXPECT_EQ(le16(ico, entry + 6), 32u) << i;   // bits per pixel
        const uint32_t length = le32(ico, entry + 8);
        const uint32_t offset = le32(ico, entry + 12);
        ASSERT_LE(uint64_t{offset} + length, ico.size()) << i;
        ASSERT_GE(length, 33u) << i;   // signature and IHDR at least

        for (size_t k = 0; k < 8; ++k) EXPECT_EQ(ico[offset + k], PNG_SIGNATURE[k]) << i;
        // IHDR: the image itself agrees with the directory and is 8-bit RGBA.
        EXPECT_EQ(be32(ico, offset + 12), 0x49484452u) << i;   // "IHDR"
        EXPECT_EQ(be32(ico, offset + 16), width) << i;
        EXPECT_EQ(be32(ico, offset + 20), height) << i;
        EXPECT_EQ(ico[offset + 24], 8) << i;   // bit depth
        EXPECT_EQ(ico[offset + 25], 6) << i;   // colour type RGBA
        sizes.insert(width);
    }
    EXPECT_EQ(sizes, (std::set<uint32_t>{16, 24, 32, 48, 64, 128, 256}));
}

}  // namespace
