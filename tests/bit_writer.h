// Collects fields most significant bit first, for frames and their parts written bit by bit.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

struct BitWriter {
  // The low `width` bits of `value`.
  void Put(uint32_t value, int width) {
    for (int i = width - 1; i >= 0; --i) bits_.push_back(uint8_t((value >> i) & 1));
  }
  void Append(const BitWriter& other) { bits_.insert(bits_.end(), other.bits_.begin(), other.bits_.end()); }
  // Bits written so far.
  size_t size() const { return bits_.size(); }
  // The bits as bytes, the last one filled up with zeros.
  std::vector<uint8_t> Bytes() const {
    std::vector<uint8_t> out((bits_.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits_.size(); ++i)
      if (bits_[i]) out[i / 8] |= uint8_t(0x80 >> (i % 8));
    return out;
  }

 private:
  std::vector<uint8_t> bits_;
};
