// Frame order and timing of an animated GIF, safe against images with no frames and
// against delay lists that are missing or shorter than the frame count.
#pragma once
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

class GifClock {
 public:
  // Used for a frame that has no delay of its own.
  static constexpr int kDefaultDelayMs = 100;
  // The shortest pause between frames: a frame that asks for none still waits this long,
  // as browsers do, so the animation never keeps a core busy.
  static constexpr int kMinDelayMs = 10;

  GifClock(unsigned frameCount, std::vector<std::uint32_t> delaysHundredths)
      : count_(frameCount), delays_(std::move(delaysHundredths)) {}

  // Reads the raw frame-delay property: 32-bit values, one per frame; a trailing
  // partial value is ignored.
  static std::vector<std::uint32_t> ParseDelays(const void* value, std::size_t lengthBytes) {
    std::vector<std::uint32_t> out;
    if (!value) return out;
    const unsigned char* p = static_cast<const unsigned char*>(value);
    for (std::size_t off = 0; off + 4 <= lengthBytes; off += 4) {
      std::uint32_t v;
      std::memcpy(&v, p + off, 4);
      out.push_back(v);
    }
    return out;
  }

  bool HasFrames() const { return count_ > 0; }
  unsigned FrameCount() const { return count_; }
  unsigned Current() const { return current_; }

  // Moves to the next frame (after the last, the first) and returns it.
  unsigned Advance() {
    if (count_ == 0) return 0;
    current_ = (current_ + 1) % count_;
    return current_;
  }

  // The delay stored for `frame`, in milliseconds, at least kMinDelayMs.
  int DelayMs(unsigned frame) const {
    if (frame >= delays_.size()) return kDefaultDelayMs;
    std::uint32_t d = delays_[frame];
    if (d > static_cast<std::uint32_t>(INT_MAX / 10)) return INT_MAX;
    return d * 10 < static_cast<std::uint32_t>(kMinDelayMs) ? kMinDelayMs : static_cast<int>(d) * 10;
  }

 private:
  unsigned count_;
  std::vector<std::uint32_t> delays_;
  unsigned current_ = 0;
};
