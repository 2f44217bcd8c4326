#include <gtest/gtest.h>

#include "copy/copy_folder.h"
#include "copy/copy_paths.h"

namespace sw {
namespace {

TEST(CopyPaths, LongPathKeepsNamesExactlyAndPrefixesThem) {
  EXPECT_EQ(LongPath("C:\\data\\name."), L"\\\\?\\C:\\data\\name.");
  EXPECT_EQ(LongPath("C:/data/x"), L"\\\\?\\C:\\data\\x");
  EXPECT_EQ(LongPath("\\\\server\\share\\x"), L"\\\\?\\UNC\\server\\share\\x");
  EXPECT_EQ(LongPath("\\\\?\\C:\\x"), L"\\\\?\\C:\\x");
  EXPECT_EQ(LongPath("C:\\data\\..\\other"), L"\\\\?\\C:\\other");
}

TEST(CopyPaths, SameAndInsideIgnoreCaseAndForm) {
  EXPECT_TRUE(SamePath("C:\\Src\\Dst\\", "c:\\src\\dst"));
  EXPECT_TRUE(SamePath("C:/src/dst", "C:\\src\\dst\\"));
  EXPECT_FALSE(SamePath("C:\\src\\dst", "C:\\src\\dst2"));
  EXPECT_FALSE(SamePath("", "C:\\"));
  EXPECT_TRUE(IsSameOrInside("E:\\backup\\x", "E:\\"));
  EXPECT_TRUE(IsSameOrInside("e:\\", "E:\\"));
  EXPECT_TRUE(IsSameOrInside("C:\\a\\b\\c", "C:\\A\\b"));
  EXPECT_FALSE(IsSameOrInside("C:\\a\\bc", "C:\\a\\b"));
  EXPECT_FALSE(IsSameOrInside("C:\\backup", "E:\\"));
}

TEST(CopyPaths, FolderNameToKeep) {
  EXPECT_EQ(FolderNameToKeep("D:\\Work\\Data"), "Data\\");
  EXPECT_EQ(FolderNameToKeep("D:\\Work\\Data\\"), "Data\\");
  EXPECT_EQ(FolderNameToKeep("F:\\"), "");
  EXPECT_EQ(FolderNameToKeep("F:Data"), "Data\\");
}

}  // namespace
}  // namespace sw
