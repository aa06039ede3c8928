// Blocks of memory of one size, kept for the next taker once given back. An upload reads its
// file through two blocks of a megabyte; fresh memory costs a page fault for every page of it
// at first touch (and the system zeroes each page), which for uploads in a row cost more than
// reading the file itself. A few blocks given back stay kept; the others are freed. The most
// recently given back is handed out first, as its bytes are the likeliest still in the cache.
// Thread-safe.
#pragma once
#include <cstddef>
#include <mutex>
#include <vector>

class BlockPool {
 public:
  // Blocks of blockSize bytes; at most keepAtMost of those given back are kept.
  BlockPool(std::size_t blockSize, std::size_t keepAtMost);
  ~BlockPool();
  BlockPool(const BlockPool&) = delete;
  BlockPool& operator=(const BlockPool&) = delete;

  // One block, owned until it goes out of scope, when it goes back to its pool (which must
  // outlive it).
  class Block {
   public:
    Block() = default;
    Block(Block&& other) noexcept;
    Block& operator=(Block&& other) noexcept;
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    ~Block();
    char* Data() const { return m_data; }
    explicit operator bool() const { return m_data != nullptr; }

   private:
    friend class BlockPool;
    Block(BlockPool* pool, char* data) : m_pool(pool), m_data(data) {}
    void GiveBack();
    BlockPool* m_pool = nullptr;
    char* m_data = nullptr;
  };

  // A block of BlockSize() bytes holding whatever its last user left in it; an empty Block
  // when memory is short.
  Block Take();
  std::size_t BlockSize() const { return m_size; }
  // How many blocks wait for a taker.
  std::size_t Kept() const;

 private:
  void Give(char* data);

  const std::size_t m_size;
  const std::size_t m_keep;
  mutable std::mutex m_lock;
  std::vector<char*> m_free;  // reserved for m_keep blocks: giving back never allocates
};
