// The buffered reader on real files: values, window refills at the window's
// end, and what it delivers and reports past the end of a file.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/BinaryReader.h"
#include "tests/support/TemporaryDirectory.h"

namespace {

// Never 0 and different from its neighbours, so that a wrong offset or a
// zero delivered by mistake shows.
std::uint8_t PatternByte(std::size_t offset) {
    return static_cast<std::uint8_t>(1 + offset % 251);
}

std::vector<std::uint8_t> PatternBytes(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = PatternByte(i);
    return bytes;
}

class BinaryReaderTest : public ::testing::Test {
protected:
    void OpenBytes(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(reader.Open(directory.Write("data.bin", bytes).c_str(), true));
    }
    void SkipBytes(int count) {
        std::uint8_t byte = 0;
        for (int i = 0; i < count; ++i) reader.ReadU8(byte);
    }

    TemporaryDirectory directory;
    BinaryReader reader;
};

TEST_F(BinaryReaderTest, ValuesAreLittleEndian) {
    OpenBytes({0x34, 0x12, 0x78, 0x56, 0x34, 0x12, 0xAB});
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0;
    std::uint8_t u8 = 0;
    reader.ReadU16(u16);
    reader.ReadU32(u32);
    reader.ReadU8(u8);
    EXPECT_EQ(u16, 0x1234);
    EXPECT_EQ(u32, 0x12345678u);
    EXPECT_EQ(u8, 0xAB);
    EXPECT_FALSE(reader.Failed());
    EXPECT_EQ(reader.RemainingBytes(), 0);
}

TEST_F(BinaryReaderTest, ReadsThatReachTheWindowsEndRefillFirst) {
    OpenBytes(PatternBytes(5000));
    std::uint8_t u8 = 0;
    std::uint16_t u16 = 0;
    SkipBytes(1022);
    reader.ReadU16(u16);  // reaches the end exactly: refills although both bytes are there
    EXPECT_EQ(reader.GetPosition(), 2);
    EXPECT_EQ(u16, PatternByte(1022) | PatternByte(1023) << 8);

    SkipBytes(1021);
    reader.ReadU8(u8);  // a 1-byte read at 1023
    EXPECT_EQ(reader.GetPosition(), 1);
    EXPECT_EQ(u8, PatternByte(2045));

    SkipBytes(1021);
    reader.ReadU8(u8);  // one at 1022 still fits
    EXPECT_EQ(reader.GetPosition(), 1023);
    EXPECT_EQ(u8, PatternByte(3067));
    EXPECT_FALSE(reader.Failed());
}

TEST_F(BinaryReaderTest, AStringReadKeepsMaxBytesOfLookAhead) {
    const char name[] = "body.tga";
    char buffer[128];
    for (int start : {895, 896, 900}) {
        std::vector<std::uint8_t> bytes = PatternBytes(2000);
        std::copy(name, name + sizeof(name), bytes.begin() + start);
        OpenBytes(bytes);
        SkipBytes(start);
        reader.ReadString(buffer, 128);
        EXPECT_STREQ(buffer, name);
        // From 896 on, 128 bytes reach the window's end: a refill, however short the string.
        EXPECT_EQ(reader.GetPosition(), start < 896 ? start + 9 : 9) << "string at " << start;
        EXPECT_FALSE(reader.Failed());
    }
}

TEST_F(BinaryReaderTest, AWholeFileComesThroughManyRefillsByteForByte) {
    // Odd-sized steps, so that values straddle the old window end in every way.
    const std::vector<std::uint8_t> bytes = PatternBytes(10007);
    OpenBytes(bytes);
    for (std::size_t offset = 0; offset + 7 <= bytes.size(); offset += 7) {
        std::uint8_t u8 = 0;
        std::uint16_t u16 = 0;
        std::uint32_t u32 = 0;
        reader.ReadU8(u8);
        reader.ReadU16(u16);
        reader.ReadU32(u32);
        const std::uint8_t* b = &bytes[offset];
        ASSERT_EQ(u8, b[0]) << "at " << offset;
        ASSERT_EQ(u16, b[1] | b[2] << 8) << "at " << offset;
        ASSERT_EQ(u32, b[3] | b[4] << 8 | b[5] << 16 | std::uint32_t{b[6]} << 24)
            << "at " << offset;
        ASSERT_EQ(reader.RemainingBytes(), static_cast<std::int64_t>(bytes.size() - offset - 7));
    }
    EXPECT_FALSE(reader.Failed());
}

TEST_F(BinaryReaderTest, PastTheEndReadsYieldZerosAndTheReaderFails) {
    OpenBytes({0x11, 0x22, 0x33});
    std::uint16_t u16 = 0;
    std::uint32_t u32 = 0xFFFFFFFF;
    reader.ReadU16(u16);
    reader.ReadU16(u16);
    EXPECT_EQ(u16, 0x0033);
    EXPECT_TRUE(reader.Failed());
    reader.ReadU32(u32);
    EXPECT_EQ(u32, 0u);

    // Across refills too; Open starts afresh.
    OpenBytes(PatternBytes(1030));
    SkipBytes(1030);
    EXPECT_FALSE(reader.Failed());
    for (int i = 0; i < 600; ++i) reader.ReadU32(u32);
    EXPECT_EQ(u32, 0u);
    EXPECT_TRUE(reader.Failed());
}

TEST_F(BinaryReaderTest, StringsEndAtTheirTerminatorWithin128Bytes) {
    char buffer[128];
    std::vector<std::uint8_t> bytes(127, 'a');  // the longest that fits, with its NUL
    bytes.push_back(0);
    OpenBytes(bytes);
    reader.ReadString(buffer, 128);
    EXPECT_EQ(std::string(buffer), std::string(127, 'a'));
    EXPECT_FALSE(reader.Failed());

    bytes.assign(200, 'b');  // no NUL within 128 bytes: cut and terminated
    OpenBytes(bytes);
    reader.ReadString(buffer, 128);
    EXPECT_EQ(std::string(buffer), std::string(127, 'b'));
    EXPECT_TRUE(reader.Failed());

    OpenBytes({'a', 'b', 'c'});  // the zeros after the file's end do not end a string
    reader.ReadString(buffer, 128);
    EXPECT_STREQ(buffer, "abc");
    EXPECT_TRUE(reader.Failed());
}

TEST_F(BinaryReaderTest, OpenFailsOnAMissingFileAndCreatesOneForOutput) {
    EXPECT_FALSE(reader.Open(directory.File("missing.bin").c_str(), true));
    const std::string path = directory.File("written.bin");
    ASSERT_TRUE(reader.Open(path.c_str(), false));
    reader.Close();
    EXPECT_TRUE(reader.Open(path.c_str(), true));
    EXPECT_EQ(reader.RemainingBytes(), 0);
}

}  // namespace
