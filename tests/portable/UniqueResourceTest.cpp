// The one handle template: closing exactly once, moving ownership, due calls,
// and the thread's last error kept across a close.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "base/LastError.h"
#include "base/UniqueResource.h"

namespace base {
namespace {

std::vector<int> closed;

// A close that fails the way system calls do: it sets the last error.
void CloseAndClobber(int handle) noexcept {
  closed.push_back(handle);
  SetLastError(99);
}
using UniqueInt = UniqueHandle<int, CloseAndClobber, -1>;

int calls = 0;
void Count() noexcept { ++calls; }

class UniqueResourceTest : public testing::Test {
 protected:
  void SetUp() override {
    closed.clear();
    calls = 0;
  }
};

TEST_F(UniqueResourceTest, ClosesWhatItHoldsOnceAndNothingElse) {
  {
    UniqueInt none;
    UniqueInt zero(0);  // valid: only -1 holds nothing
    UniqueInt moved(7);
    UniqueInt owner(std::move(moved));
    EXPECT_FALSE(none);
    EXPECT_FALSE(moved);
    EXPECT_EQ(owner.get(), 7);
    owner.reset(8);
    EXPECT_EQ(closed, std::vector<int>({7}));
    UniqueInt released(9);
    EXPECT_EQ(released.release(), 9);
    *released.put() = 10;
  }
  EXPECT_EQ(closed, std::vector<int>({7, 10, 8, 0}));
}

TEST_F(UniqueResourceTest, ResetKeepsTheLastError) {
  UniqueInt held(3);
  UniqueInt other(4);
  SetLastError(5);
  held.reset();
  EXPECT_EQ(LastError(), 5u);
  other = std::move(held);  // closes 4
  EXPECT_EQ(LastError(), 5u);
  EXPECT_EQ(closed, std::vector<int>({3, 4}));
}

TEST_F(UniqueResourceTest, DueCallIsMadeOnceUnlessReleased) {
  {
    UniqueCall<Count> due(true);
    UniqueCall<Count> notDue(false);
    UniqueCall<Count> dropped(true);
    dropped.release();
    UniqueCall<Count> early(true);
    early.reset();
    early.reset();
    EXPECT_EQ(calls, 1);
  }
  EXPECT_EQ(calls, 2);
}

}  // namespace
}  // namespace base
