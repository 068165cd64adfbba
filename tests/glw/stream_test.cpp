// The read, seek and close rules the resource and memory streams share, then
// opening each kind.
#include "glw/memory_stream.h"
#include "glw/res_stream.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

const unsigned char kEight[8] = {10, 11, 12, 13, 14, 15, 16, 17};
const unsigned char kThree[3] = {'a', 'b', 'c'};
const glw::ResourceEntry kEntries[] = {{"LWO", 1, kEight, 8}, {"PNG", 1, kThree, 3}};
const glw::ResourceModule kModule{kEntries, 2};

struct OverResource {
    glw::ResStream stream;
    OverResource() { EXPECT_EQ(stream.Open(&kModule, 1, "LWO"), 1); }
};
struct OverMemory {
    glw::MemoryStream stream{kEight, sizeof kEight};
};

// Every test starts with an open stream over kEight.
template <typename Source>
class EightBytes : public ::testing::Test {
protected:
    Source source;
    glw::Stream& stream = source.stream;
    std::array<unsigned char, 16> out{};
    std::uint32_t delivered = 99;
};
using Sources = ::testing::Types<OverResource, OverMemory>;
TYPED_TEST_SUITE(EightBytes, Sources);

TYPED_TEST(EightBytes, ReadsUpToTheEndThenDeliversNothingButSucceeds)
{
    auto& s = this->stream;
    ASSERT_EQ(s.Seek(3, 1), 1);
    EXPECT_EQ(s.Read(this->out.data(), 3, &this->delivered), 1);  // exactly what is asked
    EXPECT_EQ(this->delivered, 3u);
    EXPECT_EQ(s.Read(this->out.data(), 16, &this->delivered), 1);  // more than remains
    EXPECT_EQ(this->delivered, 2u);
    EXPECT_EQ(this->out[1], 17);
    EXPECT_EQ(s.Read(this->out.data(), 4, &this->delivered), 1);  // at the end
    EXPECT_EQ(this->delivered, 0u);
    EXPECT_EQ(s.Tell(), 8u);
}

TYPED_TEST(EightBytes, ReadFromBeyondTheEndFailsAndCopiesNothing)
{
    auto& s = this->stream;
    EXPECT_EQ(s.Seek(10, 1), 1);  // not checked here
    EXPECT_EQ(s.Read(this->out.data(), 4, &this->delivered), 0);
    EXPECT_EQ(this->delivered, 0u);
    EXPECT_EQ(this->out, (std::array<unsigned char, 16>{}));
    // Backward past 0 wraps to far beyond the end.
    ASSERT_EQ(s.Seek(0, 1), 1);
    ASSERT_EQ(s.Seek(-1, 0), 1);
    EXPECT_EQ(s.Read(this->out.data(), 1, nullptr), 0);
}

TYPED_TEST(EightBytes, HugeRequestDoesNotWrapAroundThe32BitSum)
{
    // 4 + 0xFFFFFFFF is 3 in 32 bits, which would pass a naive check.
    ASSERT_EQ(this->stream.Seek(2, 1), 1);
    ASSERT_EQ(this->stream.Seek(2, 0), 1);
    EXPECT_EQ(this->stream.Read(this->out.data(), 0xFFFFFFFFu, &this->delivered), 1);
    EXPECT_EQ(this->delivered, 4u);
    EXPECT_EQ(this->out[0], 14);
}

TYPED_TEST(EightBytes, IsReadOnlyAndClosesHarmlesslyTwice)
{
    auto& s = this->stream;
    EXPECT_EQ(s.Write(kThree, 3, &this->delivered), 0);
    EXPECT_EQ(this->delivered, 0u);
    EXPECT_EQ(s.IsWritable(), 0);
    ASSERT_EQ(s.Seek(4, 1), 1);
    EXPECT_EQ(s.Close(), 1);
    EXPECT_EQ(s.Tell(), 0u);
    EXPECT_EQ(s.Read(this->out.data(), 1, &this->delivered), 1);
    EXPECT_EQ(this->delivered, 0u);
    EXPECT_EQ(s.Close(), 1);
}

TEST(ResStream, OpensByIdAndTypeAndStaysClosedWhenThereIsNone)
{
    glw::ResStream stream;
    ASSERT_EQ(stream.Open(&kModule, 1, "LWO"), 1);
    ASSERT_EQ(stream.Seek(5, 1), 1);
    ASSERT_EQ(stream.Open(&kModule, 1, "png"), 1);  // types ignore case; reopening starts over
    EXPECT_EQ(stream.Data(), kThree);
    EXPECT_EQ(stream.Size(), 3u);
    EXPECT_EQ(stream.Tell(), 0u);

    EXPECT_EQ(stream.Open(&kModule, 2, "LWO"), 0);
    EXPECT_EQ(stream.Data(), nullptr);
    EXPECT_EQ(stream.Size(), 0u);
    EXPECT_EQ(stream.Open(&kModule, 1, nullptr), 0);
    // A null module means the executable's own table, which has no such id.
    EXPECT_EQ(stream.Open(nullptr, 0xFFFFFFFFu, "LWO"), 0);
}

TEST(MemoryStream, OwnsACopyOrBorrowsInPlace)
{
    std::vector<unsigned char> bytes = {1, 2};
    glw::MemoryStream owned(bytes), borrowed(bytes.data(), bytes.size());
    bytes[0] = 9;
    unsigned char first = 0;
    EXPECT_EQ(owned.Read(&first, 1, nullptr), 1);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(borrowed.Read(&first, 1, nullptr), 1);
    EXPECT_EQ(first, 9);
    EXPECT_EQ(borrowed.OpenBorrowed(nullptr, 4), 0);
    EXPECT_EQ(borrowed.Size(), 0u);
}

}  // namespace
