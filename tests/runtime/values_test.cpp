#include "runtime/values.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "runtime/heap.h"
#include "runtime/runtime.h"
#include "tests/test_support.h"

namespace vx {
namespace {

#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;  // -1 as a POSIX exit status
#endif

// The regular expression that matches the test handler's record of the fatal box with this text.
std::string BoxWithText(const std::string& text) {
  return testing::FatalBoxRecord(text);
}

TEST(CompareText, NullEqualsEmptyAndBytesCompareUnsigned) {
  EXPECT_EQ(CompareText(nullptr, ""), 0);
  EXPECT_EQ(CompareText("", nullptr), 0);
  EXPECT_EQ(CompareText(nullptr, nullptr), 0);
  EXPECT_EQ(CompareText(nullptr, "a"), -1);
  EXPECT_EQ(CompareText("a", nullptr), 1);
  EXPECT_EQ(CompareText("abc", "abc"), 0);
  EXPECT_EQ(CompareText("ab", "abc"), -1);
  EXPECT_EQ(CompareText("abd", "abc"), 1);
  EXPECT_EQ(CompareText("\x80", "z"), 1);
  EXPECT_EQ(CompareText("~", "\xb9\xa4"), -1);
}

TEST(TextPrimitives, CopiesAreFreshAndEmptyResultsAreNull) {
  EXPECT_EQ(CopyText(""), nullptr);
  EXPECT_EQ(CopyText(nullptr), nullptr);
  OwnedText copy(CopyText("工作"));
  ASSERT_NE(copy, nullptr);
  EXPECT_STREQ(copy.get(), "工作");

  EXPECT_EQ(CopyTextBytes("abc", 0), nullptr);
  OwnedText cut(CopyTextBytes("abcdef", 3));
  EXPECT_STREQ(cut.get(), "abc");
  OwnedText with_zero(CopyTextBytes("a\0bc", 4));  // reads shorter, bytes kept
  EXPECT_EQ(TextLength(with_zero.get()), 1);
  EXPECT_EQ(std::memcmp(with_zero.get(), "a\0bc\0", 5), 0);

  EXPECT_EQ(MakeByteData("abc", 0), nullptr);
  OwnedByteData data(MakeByteData("a\0b", 3));
  EXPECT_EQ(data->marker, 1);
  EXPECT_EQ(ByteDataLength(data.get()), 3);
  EXPECT_EQ(std::memcmp(ByteDataBytes(data.get()), "a\0b", 3), 0);
  EXPECT_EQ(ByteDataLength(nullptr), 0);

  EXPECT_EQ(TextLength(nullptr), 0);
  EXPECT_EQ(TextLength("\xd6\xd0"), 2);
}

TEST(TextPrimitives, ConcatTextsAlwaysAllocates) {
  OwnedText empty(ConcatTexts({nullptr, ""}));
  ASSERT_NE(empty, nullptr);
  EXPECT_STREQ(empty.get(), "");
  EXPECT_FALSE(IsInConstantArea(empty.get()));
  OwnedText joined(ConcatTexts({"Vextorin     ", nullptr, "成功导入：", "12", "条"}));
  EXPECT_STREQ(joined.get(), "Vextorin     成功导入：12条");
}

TEST(ConstantArea, FreeBlockIgnoresConstantsAndReallocateCopiesOut) {
  for (int i = 0; i < 3; ++i) {
    FreeBlock(const_cast<char*>(kEmptyText));
    FreeBlock(const_cast<ByteDataBlock*>(&kEmptyByteData));
    FreeBlock(const_cast<char*>("停止"));
  }
  EXPECT_EQ(kEmptyByteData.marker, 1);
  EXPECT_EQ(kEmptyByteData.length, 0);

  const char* constant = "工作";
  ASSERT_TRUE(IsInConstantArea(constant));
  auto* grown = static_cast<char*>(ReallocateBlock(const_cast<char*>(constant), 16));
  EXPECT_FALSE(IsInConstantArea(grown));
  EXPECT_STREQ(grown, "工作");
  FreeBlock(grown);

  void* heap_block = AllocateBlock(8);
  EXPECT_FALSE(IsInConstantArea(heap_block));
  std::memcpy(heap_block, "1234567", 8);
  heap_block = ReallocateBlock(heap_block, 4096);
  EXPECT_STREQ(static_cast<char*>(heap_block), "1234567");
  FreeBlock(heap_block);
  FreeBlock(nullptr);
}

TEST(Arrays, FreshArraysHoldNullMembers) {
  OwnedArray array(AllocateArray(2));
  EXPECT_EQ(ArrayCount(array.get()), 2);
  EXPECT_EQ(array->dimensions, 1);
  EXPECT_EQ(ArrayElements(array.get())[0], nullptr);
  EXPECT_EQ(ArrayElements(array.get())[1], nullptr);
  EXPECT_EQ(ArrayCount(nullptr), 0);
}

using AllocationDeathTest = ::testing::Test;

TEST(AllocationDeathTest, FailedAllocationReportsTheSizeAndEndsWithMinusOne) {
  // The heading and message pinned as GBK bytes.
  std::string expected =
      "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed!\r\n"
      "\r\n错误信息："
      "\xb7\xd6\xc5\xe4 100 \xd7\xd6\xbd\xda\xc4\xda\xb4\xe6\xca\xa7\xb0\xdc!\r\n"
      "\r\n0, 0\r\n";
  EXPECT_EXIT(
      {
        SetAllocationFailureForTesting(true);
        AllocateBlock(100);
      },
      ::testing::ExitedWithCode(kFatalExitCode), BoxWithText(expected));
}

// The standard library's containers allocate through operator new, which fails the same way
// instead of throwing; the report itself allocates nothing, so it gets through.
TEST(AllocationDeathTest, OperatorNewReportsTheSizeAsAllocateBlockDoes) {
  std::string expected = "运行时出错!\r\n\r\n错误信息：分配 100 字节内存失败!\r\n\r\n0, 0\r\n";
  EXPECT_EXIT(
      {
        SetAllocationFailureForTesting(true);
        std::vector<char> bytes(100);
        std::fprintf(stderr, "[allocated %p]", static_cast<void*>(bytes.data()));
      },
      ::testing::ExitedWithCode(kFatalExitCode), BoxWithText(expected));
  EXPECT_EXIT(
      {
        SetAllocationFailureForTesting(true, 100);
        std::string small(50, 's');  // below the size that fails
        std::fputs(small.substr(0, 5).c_str(), stderr);
        std::unique_ptr<int[]> numbers(new (std::nothrow) int[25]);
      },
      ::testing::ExitedWithCode(kFatalExitCode), "^sssss" + BoxWithText(expected) + "$");
}

// Types aligned beyond what malloc guarantees come through the aligned forms of operator new,
// which fail the same way and still hand out aligned blocks.
struct alignas(64) CacheLine {
  unsigned char bytes[64];
};

TEST(AllocationDeathTest, AlignedOperatorNewReportsTheSizeToo) {
  auto line = std::make_unique<CacheLine>();
  EXPECT_EQ(reinterpret_cast<uintptr_t>(line.get()) % 64, 0u);
  std::string expected = "运行时出错!\r\n\r\n错误信息：分配 128 字节内存失败!\r\n\r\n0, 0\r\n";
  EXPECT_EXIT(
      {
        SetAllocationFailureForTesting(true, 100);
        std::unique_ptr<CacheLine[]> lines(new CacheLine[2]);
        std::fprintf(stderr, "[allocated %p]", static_cast<void*>(lines.get()));
      },
      ::testing::ExitedWithCode(kFatalExitCode), BoxWithText(expected));
}

#if defined(VX_CHECK_NO_ALLOCATION_ZONES)
// The checking builds end the program at an allocation inside a zone, however it is made.
TEST(AllocationDeathTest, AnAllocationInsideANoAllocationZoneEndsTheTests) {
  EXPECT_DEATH(
      {
        NoAllocationZone zone;
        std::vector<char> bytes(10);
      },
      "allocation inside a no-allocation zone");
  EXPECT_DEATH(
      {
        NoAllocationZone zone;
        FreeBlock(AllocateBlock(10));
      },
      "allocation inside a no-allocation zone");
  {
    NoAllocationZone zone;  // freeing and working without allocating are fine
  }
  FreeBlock(AllocateBlock(10));
}
#endif

// Constants are told from heap blocks by the bounds of the program's image, which two threads
// freeing constants at once must both see whole, even as the first to ask.
int32_t FreeConstants(int32_t) {
  for (int i = 0; i < 1000; ++i) {
    FreeBlock(const_cast<char*>(kEmptyText));
    FreeBlock(const_cast<ByteDataBlock*>(&kEmptyByteData));
  }
  return 0;
}

TEST(ConstantAreaDeathTest, ThreadsFreeingConstantsAtOnceFreeNothing) {
  EXPECT_EXIT(
      {
        std::thread first(FreeConstants, 0);
        std::thread second(FreeConstants, 0);
        first.join();
        second.join();
        std::fputs("[freed nothing]", stderr);
        std::fflush(stderr);
        std::_Exit(0);
      },
      ::testing::ExitedWithCode(0), "^\\[freed nothing\\]$");
}

}  // namespace
}  // namespace vx
