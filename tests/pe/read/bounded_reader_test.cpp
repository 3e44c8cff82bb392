#include "pe/read/bounded_reader.h"

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "pe/load/loader.h"
#include "pe/load/loader_messages.h"
#include "tests/common/pe_builder.h"

namespace marlit {
namespace {

class BoundedReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    bytes_.resize(200 * 1024);
    for (std::size_t i = 0; i < bytes_.size(); ++i)
      bytes_[i] = static_cast<std::uint8_t>(i * 7 + 3);
    test::WriteFile(dir_ / "data", bytes_);
    fd_.emplace(::open((dir_ / "data").c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_GE(fd_->get(), 0);
  }
  std::vector<std::uint8_t> Expected(std::uint64_t offset, std::size_t n) const {
    std::vector<std::uint8_t> e(n, 0);
    for (std::size_t i = 0; i < n; ++i) {
      if (offset < bytes_.size() && i < bytes_.size() - offset) e[i] = bytes_[offset + i];
    }
    return e;
  }
  test::TempDir dir_;
  std::vector<std::uint8_t> bytes_;
  std::optional<FileDescriptor> fd_;
};

TEST_F(BoundedReaderTest, ReadsTheFileAndZerosPastItsEnd) {
  BoundedReader reader(fd_->get(), bytes_.size());
  const std::uint64_t end = bytes_.size();
  const std::uint64_t cases[] = {0,
                                 1,
                                 65536 - 20,
                                 65536,
                                 65535,
                                 100000,
                                 end - 40,
                                 end - 1,
                                 end,
                                 end + 5,
                                 std::numeric_limits<std::uint64_t>::max() - 10,
                                 std::numeric_limits<std::uint64_t>::max()};
  for (std::uint64_t offset : cases) {
    std::vector<std::uint8_t> out(40, 0xEE);
    reader.ReadAt(offset, out);
    EXPECT_EQ(out, Expected(offset, out.size())) << "offset " << offset;
  }
}

TEST_F(BoundedReaderTest, BytesInMemoryReadAsTheFileReads) {
  BoundedReader file(fd_->get(), bytes_.size());
  BoundedReader memory(bytes_);
  const std::uint64_t end = bytes_.size();
  struct Case {
    std::uint64_t offset;
    std::size_t size;
  };
  const Case cases[] = {{0, 40},       {0, 0},
                        {65530, 40},   {end - 40, 40},
                        {end - 1, 40}, {end, 40},
                        {end + 5, 8},  {100 * 1024, 150 * 1024},
                        {0, end + 10}, {std::numeric_limits<std::uint64_t>::max() - 10, 40}};
  for (const Case& c : cases) {
    std::vector<std::uint8_t> fromFile(c.size, 0xEE);
    std::vector<std::uint8_t> fromMemory(c.size, 0x11);
    file.ReadAt(c.offset, fromFile);
    memory.ReadAt(c.offset, fromMemory);
    EXPECT_EQ(fromMemory, Expected(c.offset, c.size)) << "offset " << c.offset;
    EXPECT_EQ(fromMemory, fromFile) << "offset " << c.offset;
  }
  EXPECT_EQ(memory.Length(), end);
}

TEST_F(BoundedReaderTest, LargeReadsBypassTheWindow) {
  BoundedReader reader(fd_->get(), bytes_.size());
  std::vector<std::uint8_t> out(150 * 1024);
  reader.ReadAt(100 * 1024, out);
  EXPECT_EQ(out, Expected(100 * 1024, out.size()));
}

TEST_F(BoundedReaderTest, AFileShorterThanMeasuredReadsAsZeros) {
  BoundedReader reader(fd_->get(), bytes_.size() + 1000);
  std::vector<std::uint8_t> out(40, 0xEE);
  reader.ReadAt(bytes_.size() - 10, out);
  EXPECT_EQ(out, Expected(bytes_.size() - 10, out.size()));
}

TEST_F(BoundedReaderTest, CursorReadsConsecutivelyLittleEndian) {
  BoundedReader reader(fd_->get(), bytes_.size());
  FileCursor cursor(reader);
  cursor.Seek(10);
  const std::int32_t a = cursor.ReadInt32();
  const std::int16_t b = cursor.ReadInt16();
  const auto u32 = [&](std::size_t at) {
    return static_cast<std::int32_t>(bytes_[at] | bytes_[at + 1] << 8 | bytes_[at + 2] << 16 |
                                     std::uint32_t{bytes_[at + 3]} << 24);
  };
  EXPECT_EQ(a, u32(10));
  EXPECT_EQ(b, static_cast<std::int16_t>(bytes_[14] | bytes_[15] << 8));
  EXPECT_EQ(cursor.Position(), 16u);
}

TEST_F(BoundedReaderTest, SafeSeekNeedsOneByteAfterTheTarget) {
  struct Case {
    std::int32_t offset;
    bool moves;
  };
  const Case cases[] = {{0, true},   {98, true},
                        {99, false}, {100, false},
                        {-1, false}, {std::numeric_limits<std::int32_t>::max(), false}};
  BoundedReader reader(fd_->get(), 100);
  for (const Case& c : cases) {
    LoaderReading reading;
    reading.FileLength = 100;
    FileCursor cursor(reader);
    cursor.Seek(7);
    SafeSeek(reading, cursor, c.offset);
    EXPECT_EQ(cursor.Position(), c.moves ? static_cast<std::uint64_t>(c.offset) : 7u) << c.offset;
    EXPECT_EQ(reading.LoadError, c.moves ? u"" : kBadFormatMessage) << c.offset;
  }
}

}  // namespace
}  // namespace marlit
