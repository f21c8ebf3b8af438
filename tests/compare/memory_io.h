// The comparison loop's files and report in memory, for its tests and fuzzer: a read or a write may fail, a
// percentage may stop the loop, and equal blocks may come as known equal, as the worker's reader hands them over.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "comparison.h"

namespace zv::compare {

class MemoryIo final : public ComparisonIo {
 public:
  static constexpr std::size_t kBlockSize = 32000;

  MemoryIo(const std::uint8_t* file1, const std::uint8_t* file2, std::size_t length, bool knownEqual = false)
      : knownEqual(knownEqual), file1_(file1), file2_(file2), length_(length) {}

  Blocks NextBlocks() override {
    if (reads_++ == failingRead) return {};
    const std::size_t length = std::min(kBlockSize, length_ - position_);
    const std::span<const std::uint8_t> block1(file1_ + position_, length), block2(file2_ + position_, length);
    position_ += length;
    const bool equal = knownEqual && std::memcmp(block1.data(), block2.data(), length) == 0;
    return {equal ? BlockRead::kKnownEqual : BlockRead::kRead, block1, block2};
  }
  bool WriteReport(const char16_t* units, std::size_t count) override {
    if (writes_++ == failingWrite) return false;
    report.append(units, count);
    return true;
  }
  void ReportProgress(int percent) override {
    progress.push_back(percent);
    if (percent == stopAtPercent) stop = 1;
  }

  std::u16string report;
  std::vector<int> progress;
  std::atomic<int> stop{0};
  int stopAtPercent = -1, failingRead = -1, failingWrite = -1;
  const bool knownEqual;

 private:
  const std::uint8_t *file1_, *file2_;
  const std::size_t length_;
  std::size_t position_ = 0;
  int reads_ = 0, writes_ = 0;
};

}  // namespace zv::compare
