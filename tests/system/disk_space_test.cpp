#include <gtest/gtest.h>

#include "support/scratch.h"
#include "system/disk_space.h"
#include "system/paths.h"

namespace quillmar {
namespace {

TEST(DiskSpace, AsksTheNearestExistingAncestorOfAFolderStillToBeMade) {
  testing::ScratchFolder scratch;
  const auto planned = scratch.path() / "not" / "yet" / "there";
  EXPECT_EQ(nearest_existing_ancestor(Path(planned)), Path(scratch.path()));
  const auto near = free_bytes_near(Path(planned));
  const auto at = free_bytes_at(Path(scratch.path()));
  ASSERT_TRUE(near.has_value());
  ASSERT_TRUE(at.has_value());
  // Both ask the same volume; other processes may write in between.
  EXPECT_NEAR(static_cast<double>(*near), static_cast<double>(*at), 64.0 * 1024 * 1024);
}

TEST(DiskSpace, ARelativePathWithNothingExistingHasNoAnswer) {
  EXPECT_FALSE(nearest_existing_ancestor(path_from_text("quillmar-no-such-folder/a/b")).has_value());
  EXPECT_FALSE(free_bytes_near(path_from_text("quillmar-no-such-folder/a/b")).has_value());
}

}  // namespace
}  // namespace quillmar
