// Blocks kept for reuse: handed out again once given back, never to two holders at once, and
// no more kept than asked.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "device/block_pool.h"

namespace {

TEST(BlockPool, BlocksGivenBackAreHandedOutAgainLastFirstUpToTheKeptNumber) {
  BlockPool pool(4096, 3);
  std::vector<BlockPool::Block> held;
  std::set<char*> distinct;
  for (int i = 0; i < 5; ++i) {
    held.push_back(pool.Take());
    ASSERT_TRUE(held.back());
    EXPECT_TRUE(distinct.insert(held.back().Data()).second) << "one block handed out twice";
  }
  std::vector<char*> data;
  for (auto& b : held) data.push_back(b.Data());
  for (auto& b : held) b = BlockPool::Block();  // given back in order: the first three are kept
  EXPECT_EQ(pool.Kept(), 3u);
  for (int i = 2; i >= 0; --i) {
    held[static_cast<std::size_t>(i)] = pool.Take();
    EXPECT_EQ(held[static_cast<std::size_t>(i)].Data(), data[static_cast<std::size_t>(i)]);
  }
  EXPECT_EQ(pool.Kept(), 0u);

  // A block goes back once, from wherever it was moved to; one assigned over goes back then.
  BlockPool::Block moved = std::move(held[0]);
  EXPECT_FALSE(held[0]);
  held[0] = BlockPool::Block();
  EXPECT_EQ(pool.Kept(), 0u);
  std::swap(moved, held[1]);
  EXPECT_EQ(moved.Data(), data[1]);
  held[1] = std::move(held[2]);  // held[1]'s block (data[0]) goes back
  EXPECT_EQ(pool.Kept(), 1u);
  held.clear();
  moved = BlockPool::Block();
  EXPECT_EQ(pool.Kept(), 3u);
}

TEST(BlockPool, ThreadsNeverShareABlock) {
  // Each thread fills the blocks it holds with its own byte, lets the others run, and finds
  // its bytes intact before it gives them back.
  const std::size_t size = 64 * 1024;
  BlockPool pool(size, 4);
  std::atomic<int> clobbered{0}, empty{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      const char mark = static_cast<char>('a' + t);
      std::vector<char> expect(size, mark);
      for (int round = 0; round < 300; ++round) {
        BlockPool::Block one = pool.Take(), two = pool.Take();
        if (!one || !two) {
          ++empty;
          continue;
        }
        std::memset(one.Data(), mark, size);
        std::memset(two.Data(), mark, size);
        std::this_thread::yield();
        if (std::memcmp(one.Data(), expect.data(), size) != 0 || std::memcmp(two.Data(), expect.data(), size) != 0)
          ++clobbered;
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_EQ(clobbered.load(), 0);
  EXPECT_EQ(empty.load(), 0);
  EXPECT_EQ(pool.Kept(), 4u);
}

}  // namespace
