#include "device/block_pool.h"

#include <new>
#include <utility>

BlockPool::BlockPool(std::size_t blockSize, std::size_t keepAtMost) : m_size(blockSize), m_keep(keepAtMost) {
  m_free.reserve(m_keep);
}

BlockPool::~BlockPool() {
  for (char* p : m_free) delete[] p;
}

BlockPool::Block BlockPool::Take() {
  {
    std::lock_guard<std::mutex> l(m_lock);
    if (!m_free.empty()) {
      char* p = m_free.back();
      m_free.pop_back();
      return Block(this, p);
    }
  }
  char* p = new (std::nothrow) char[m_size];
  return p ? Block(this, p) : Block();
}

std::size_t BlockPool::Kept() const {
  std::lock_guard<std::mutex> l(m_lock);
  return m_free.size();
}

void BlockPool::Give(char* data) {
  {
    std::lock_guard<std::mutex> l(m_lock);
    if (m_free.size() < m_keep) {
      m_free.push_back(data);
      return;
    }
  }
  delete[] data;
}

BlockPool::Block::Block(Block&& other) noexcept
    : m_pool(std::exchange(other.m_pool, nullptr)), m_data(std::exchange(other.m_data, nullptr)) {}

BlockPool::Block& BlockPool::Block::operator=(Block&& other) noexcept {
  if (this != &other) {
    GiveBack();
    m_pool = std::exchange(other.m_pool, nullptr);
    m_data = std::exchange(other.m_data, nullptr);
  }
  return *this;
}

BlockPool::Block::~Block() { GiveBack(); }

void BlockPool::Block::GiveBack() {
  if (m_data) m_pool->Give(m_data);
  m_pool = nullptr;
  m_data = nullptr;
}
