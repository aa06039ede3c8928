// A discovery owner that records what the engine hands it, for tests and benchmarks.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "device/device_searcher.h"

namespace testlab {

class RecordingOwner : public DiscoveryOwner {
 public:
  void ParseDiscoveryReply(const std::uint8_t* reply) override {
    const auto* r = reinterpret_cast<const DiscoveryReply*>(reply);
    DeviceRecord rec;
    FillDeviceRecord(r->identity, r->model, rec);
    std::lock_guard<std::mutex> l(m_lock);
    records.push_back(rec);
    lastArrival = std::chrono::steady_clock::now();
    m_cv.notify_all();
  }
  void AddDiscoveredDevice(const char* text) override {
    std::lock_guard<std::mutex> l(m_lock);
    texts.emplace_back(text);
    m_cv.notify_all();
  }
  void OnIpSetReply(const std::uint8_t* ack) override {
    std::lock_guard<std::mutex> l(m_lock);
    acks.emplace_back(reinterpret_cast<const char*>(ack), kIpSetReplyLength);
    m_cv.notify_all();
  }

  // Waits until at least `records` replies and `texts` texts have arrived.
  bool WaitFor(std::size_t nRecords, std::size_t nTexts, int timeoutMs) {
    std::unique_lock<std::mutex> l(m_lock);
    return m_cv.wait_for(l, std::chrono::milliseconds(timeoutMs),
                         [&] { return records.size() >= nRecords && texts.size() >= nTexts; });
  }
  std::vector<DeviceRecord> Records() {
    std::lock_guard<std::mutex> l(m_lock);
    return records;
  }
  std::vector<std::string> Texts() {
    std::lock_guard<std::mutex> l(m_lock);
    return texts;
  }
  std::vector<std::string> Acks() {
    std::lock_guard<std::mutex> l(m_lock);
    return acks;
  }
  void Clear() {
    std::lock_guard<std::mutex> l(m_lock);
    records.clear();
    texts.clear();
    acks.clear();
  }
  std::chrono::steady_clock::time_point LastArrival() {
    std::lock_guard<std::mutex> l(m_lock);
    return lastArrival;
  }

  std::vector<DeviceRecord> records;
  std::vector<std::string> texts;
  std::vector<std::string> acks;
  std::chrono::steady_clock::time_point lastArrival;

 private:
  std::mutex m_lock;
  std::condition_variable m_cv;
};

}  // namespace testlab
