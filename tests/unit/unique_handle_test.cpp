#include "util/unique_handle.h"

#include <gtest/gtest.h>

#include <type_traits>
#include <utility>
#include <vector>

namespace tarquel {
namespace {
namespace TARQUEL_TEST_FILE {

std::vector<int> released;

struct RecordRelease {
  void operator()(int handle) const { released.push_back(handle); }
};

using Owner = UniqueHandle<int, RecordRelease>;

static_assert(!std::is_copy_constructible_v<Owner>, "copying an owner must not compile");
static_assert(!std::is_copy_assignable_v<Owner>, "copying an owner must not compile");
static_assert(std::is_nothrow_move_constructible_v<Owner>);
static_assert(std::is_nothrow_move_assignable_v<Owner>);

class UniqueHandleTest : public ::testing::Test {
 protected:
  UniqueHandleTest() { released.clear(); }
};

TEST_F(UniqueHandleTest, ReleasesItsHandleOnceWhenDestroyed) {
  { Owner owner(7); }
  EXPECT_EQ(released, std::vector<int>{7});
}

TEST_F(UniqueHandleTest, EmptyOwnerReleasesNothing) {
  { Owner owner; }
  { Owner owner(0); }
  EXPECT_TRUE(released.empty());
}

TEST_F(UniqueHandleTest, MoveHandsOverOwnership) {
  {
    Owner first(3);
    Owner second(std::move(first));
    EXPECT_FALSE(first);
    EXPECT_EQ(second.get(), 3);
    Owner third;
    third = std::move(second);
    EXPECT_EQ(third.get(), 3);
    EXPECT_TRUE(released.empty());
  }
  EXPECT_EQ(released, std::vector<int>{3});
}

TEST_F(UniqueHandleTest, MoveAssignmentReleasesTheHandleItHeld) {
  Owner target(1);
  Owner source(2);
  target = std::move(source);
  EXPECT_EQ(released, std::vector<int>{1});
  EXPECT_EQ(target.get(), 2);
}

TEST_F(UniqueHandleTest, SelfMoveKeepsTheHandle) {
  Owner owner(4);
  Owner& alias = owner;
  owner = std::move(alias);
  EXPECT_EQ(owner.get(), 4);
  EXPECT_TRUE(released.empty());
}

TEST_F(UniqueHandleTest, ResetReleasesAndReleaseGivesUp) {
  Owner owner(5);
  owner.reset(6);
  EXPECT_EQ(released, std::vector<int>{5});
  EXPECT_EQ(owner.release(), 6);
  EXPECT_FALSE(owner);
  owner.reset();
  EXPECT_EQ(released, std::vector<int>{5});
}

}  // namespace TARQUEL_TEST_FILE
}  // namespace
}  // namespace tarquel
