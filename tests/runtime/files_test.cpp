#include "runtime/files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "runtime/file_registry.h"
#include "runtime/values.h"
#include "tests/test_support.h"

namespace vx {
namespace {

using testing::ReadWholeFile;
using testing::WriteWholeFile;

bool Exists(const std::string& path) {
  std::error_code ignored;
  return std::filesystem::exists(path, ignored);
}

TEST(OpenFile, RefusesBadArgumentsWithoutTouchingTheFileSystem) {
  std::string path = testing::TemporaryDirectory() + "/new.txt";
  EXPECT_EQ(OpenFile(""), 0);
  EXPECT_EQ(OpenFile(nullptr, kOpenToReplace), 0);
  EXPECT_EQ(OpenFile(path.c_str(), 7), 0);
  EXPECT_EQ(OpenFile(path.c_str(), 0), 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToReplace, 0), 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToReplace, 5), 0);
  EXPECT_FALSE(Exists(path));
}

TEST(OpenFile, ModesOneToThreeNeedAnExistingFile) {
  std::string directory = testing::TemporaryDirectory();
  std::string path = directory + "/missing.txt";
  for (int32_t mode = 1; mode <= 3; ++mode) EXPECT_EQ(OpenFile(path.c_str(), mode), 0) << mode;
  EXPECT_FALSE(Exists(path));
  EXPECT_EQ(OpenFile(directory.c_str(), kOpenToRead), 0);  // a directory is no file
}

TEST(OpenFile, ModeFourEmptiesModesFiveAndSixKeepAndWriteFromTheStart) {
  std::string directory = testing::TemporaryDirectory();
  std::string replaced = directory + "/replaced.txt";
  WriteWholeFile(replaced, "old contents");
  FileNumber file = OpenFile(replaced.c_str(), kOpenToReplace);
  ASSERT_NE(file, 0);
  CloseFile(file);
  EXPECT_EQ(ReadWholeFile(replaced), "");

  for (int32_t mode : {kOpenToWriteOrCreate, kOpenToReadAndWriteOrCreate}) {
    std::string kept = directory + "/kept" + std::to_string(mode) + ".txt";
    WriteWholeFile(kept, "abcdef");
    file = OpenFile(kept.c_str(), mode);
    ASSERT_NE(file, 0);
    EXPECT_TRUE(WriteText(file, {"XY"}));
    CloseFile(file);
    EXPECT_EQ(ReadWholeFile(kept), "XYcdef") << mode;
  }

  for (int32_t mode = 4; mode <= 6; ++mode) {
    std::string created = directory + "/created" + std::to_string(mode) + ".txt";
    file = OpenFile(created.c_str(), mode);
    ASSERT_NE(file, 0) << mode;
    CloseFile(file);
    EXPECT_TRUE(Exists(created)) << mode;
  }
}

TEST(WriteText, WritesValuesBackToBackWithoutLineEnds) {
  std::string path = testing::TemporaryDirectory() + "/values.txt";
  FileNumber file = OpenFile(path.c_str(), kOpenToReplace);
  ASSERT_NE(file, 0);
  EXPECT_TRUE(WriteText(file, {"文本", int32_t{42}}));
  EXPECT_TRUE(WriteText(file, {""}));
  OwnedByteData skipped(MakeByteData("zz", 2));
  EXPECT_TRUE(WriteText(file, {"|", 1.5, true, skipped.get(), int64_t{-3}, uint8_t{7}}));
  EXPECT_TRUE(WriteText(file, {"|", DateTime{45356.5}, "\r\n"}));
  CloseFile(file);
  EXPECT_EQ(ReadWholeFile(path), "文本42|1.5真-37|2024年3月5日12时\r\n");
}

TEST(WriteText, FailsForUnknownNumbersAndFailedWrites) {
  EXPECT_FALSE(WriteText(0, {"x"}));
  std::string path = testing::TemporaryDirectory() + "/read-only.txt";
  WriteWholeFile(path, "keep");
  FileNumber file = OpenFile(path.c_str(), kOpenToRead);
  ASSERT_NE(file, 0);
  EXPECT_FALSE(WriteText(file, {"lost"}));  // opened for reading only
  CloseFile(file);
  EXPECT_EQ(ReadWholeFile(path), "keep");
  EXPECT_FALSE(WriteText(file, {"x"}));  // closed
}

#ifndef _WIN32
TEST(WriteText, FullDiskIsAFailure) {
  FileNumber file = OpenFile("/dev/full", kOpenToWrite);
  ASSERT_NE(file, 0);
  EXPECT_FALSE(WriteText(file, {"no room"}));
  CloseFile(file);
}
#endif

// The bytes up to the limit reach the file; the failed call's position is taken back.
TEST(WriteText, ASimulatedFullDiskTakesTheBytesUpToItsLimit) {
  std::string path = testing::TemporaryDirectory() + "/full.txt";
  FileNumber file = OpenFile(path.c_str(), kOpenToReplace);
  ASSERT_NE(file, 0);
  SimulateFullDiskAfter(5);
  EXPECT_TRUE(WriteText(file, {"abc"}));
  EXPECT_FALSE(WriteText(file, {"defg"}));
  EXPECT_EQ(ReadWholeFile(path), "abcde");
  EXPECT_FALSE(WriteText(file, {"x"}));
  SimulateFullDiskAfter(-1);
  EXPECT_TRUE(WriteText(file, {"XY"}));
  CloseFile(file);
  EXPECT_EQ(ReadWholeFile(path), "abcXY");
}

TEST(RenameReplacing, PutsAFileInThePlaceOfAnother) {
  std::string directory = testing::TemporaryDirectory();
  std::string from = directory + "/new.txt", to = directory + "/old.txt";
  WriteWholeFile(from, "new");
  WriteWholeFile(to, "old content");
  EXPECT_TRUE(RenameReplacing(from.c_str(), to.c_str()));
  EXPECT_EQ(ReadWholeFile(to), "new");
  EXPECT_FALSE(Exists(from));

  EXPECT_FALSE(RenameReplacing(from.c_str(), to.c_str()));  // nothing to rename
  EXPECT_FALSE(RenameReplacing("", to.c_str()));
  EXPECT_TRUE(RenameReplacing(to.c_str(), from.c_str()));  // to a name not taken
  EXPECT_EQ(ReadWholeFile(from), "new");
  EXPECT_FALSE(RenameReplacing(from.c_str(), directory.c_str()));  // a directory stays
  EXPECT_EQ(ReadWholeFile(from), "new");
  EXPECT_TRUE(std::filesystem::is_directory(directory));
}

TEST(RemoveFile, DeletesAFileButNoDirectory) {
  std::string directory = testing::TemporaryDirectory();
  std::string path = directory + "/gone.txt";
  WriteWholeFile(path, "x");
  EXPECT_TRUE(RemoveFile(path.c_str()));
  EXPECT_FALSE(Exists(path));
  EXPECT_FALSE(RemoveFile(path.c_str()));
  EXPECT_FALSE(RemoveFile(directory.c_str()));
  EXPECT_TRUE(Exists(directory));
}

TEST(CloseFile, ForgetsTheNumberOnceAndIgnoresUnknownNumbers) {
  std::string path = testing::TemporaryDirectory() + "/closed.txt";
  FileNumber first = OpenFile(path.c_str(), kOpenToReplace);
  ASSERT_NE(first, 0);
  EXPECT_EQ(RegisteredFileKind(first), kPlainFileKind);
  CloseFile(first);
  EXPECT_EQ(RegisteredFileKind(first), -1);
  CloseFile(first);  // nothing left to close
  CloseFile(0);

  FileNumber second = OpenFile(path.c_str(), kOpenToWrite);
  ASSERT_NE(second, 0);
  EXPECT_NE(second, first);  // an old number never reaches a newer file
  EXPECT_FALSE(WriteText(first, {"stale"}));
  EXPECT_TRUE(WriteText(second, {"fresh"}));
  CloseFile(second);
  EXPECT_EQ(ReadWholeFile(path), "fresh");
}

TEST(FileRegistry, AddsAFileOnceAndRemovesItOnce) {
  OpenFileObject object{kNoPlatformFile, 0};
  int32_t number = AddToFileRegistry(&object, kPlainFileKind);
  EXPECT_NE(number, 0);
  EXPECT_EQ(AddToFileRegistry(&object, kPlainFileKind), number);
  EXPECT_EQ(FindRegisteredFile(number), &object);
  EXPECT_EQ(RemoveFromFileRegistry(number), &object);
  EXPECT_EQ(RemoveFromFileRegistry(number), nullptr);
  EXPECT_EQ(FindRegisteredFile(number), nullptr);
}

TEST(OpenFile, ExclusiveSharingKeepsOtherOpenersOut) {
  std::string path = testing::TemporaryDirectory() + "/shared.txt";
  WriteWholeFile(path, "x");
  FileNumber exclusive = OpenFile(path.c_str(), kOpenToRead, kShareNothing);
  ASSERT_NE(exclusive, 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToRead), 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToReplace), 0);
  CloseFile(exclusive);
  EXPECT_EQ(ReadWholeFile(path), "x");  // the refused mode 4 emptied nothing

  FileNumber first = OpenFile(path.c_str(), kOpenToRead);
  FileNumber second = OpenFile(path.c_str(), kOpenToReadAndWrite);
  EXPECT_NE(first, 0);
  EXPECT_NE(second, 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToRead, kShareNothing), 0);
  CloseFile(first);
  CloseFile(second);
}

#ifdef _WIN32
// The finer sharing modes hold on Windows only; elsewhere they are not enforced.
TEST(OpenFile, SharingModesDenyReadingOrWriting) {
  std::string path = testing::TemporaryDirectory() + "/modes.txt";
  WriteWholeFile(path, "x");
  FileNumber read_only_sharing = OpenFile(path.c_str(), kOpenToRead, kShareReadOnly);
  ASSERT_NE(read_only_sharing, 0);
  FileNumber reader = OpenFile(path.c_str(), kOpenToRead);
  EXPECT_NE(reader, 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToWrite), 0);
  CloseFile(reader);
  CloseFile(read_only_sharing);

  FileNumber write_only_sharing = OpenFile(path.c_str(), kOpenToWrite, kShareWriteOnly);
  ASSERT_NE(write_only_sharing, 0);
  EXPECT_EQ(OpenFile(path.c_str(), kOpenToRead), 0);
  FileNumber writer = OpenFile(path.c_str(), kOpenToWrite);
  EXPECT_NE(writer, 0);
  CloseFile(writer);
  CloseFile(write_only_sharing);
}
#endif

TEST(OpenFile, GbkPathsReachTheFileSystem) {
  std::string path = testing::TemporaryDirectory() + "/导出的MD5加密结果.txt";
  FileNumber file = OpenFile(path.c_str(), kOpenToReplace);
  ASSERT_NE(file, 0);
  EXPECT_TRUE(WriteText(file, {"中文----", int32_t{1}}));
  CloseFile(file);
  EXPECT_EQ(ReadWholeFile(path), "中文----1");
}

}  // namespace
}  // namespace vx
