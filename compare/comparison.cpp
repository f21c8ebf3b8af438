#include "comparison.h"

#include <algorithm>
#include <memory>
#include <new>
#include <string>

#include "block_diff.h"

namespace zv::compare {
namespace {

// At most 1 MiB of report text per write call.
constexpr std::size_t kReportBufferUnits = 512 * 1024;
// Progress is measured at every hundredth byte of the files.
constexpr std::uint64_t kProgressStep = 100;

class Comparison {
 public:
  Comparison(const ComparisonRequest& request, const std::atomic<int>& stop, ComparisonIo& io)
      : request_(request), stop_(stop), io_(io) {}

  ComparisonEnd Run() {
    const std::u16string header = FormatReportHeader(request_.file1, request_.file2, request_.columns);
    // A short report needs no more room than its header and rows.
    const std::uint64_t rowsAtMost =
        request_.noLimit ? request_.length
                         : std::min<std::uint64_t>(request_.length, std::max<std::int32_t>(request_.maxRows, 1));
    capacity_ = static_cast<std::size_t>(
        std::min<std::uint64_t>(kReportBufferUnits, header.size() + (rowsAtMost + 1) * kMaxRowUnits));
    report_.reset(new (std::nothrow) char16_t[capacity_]);
    if (!report_) return ComparisonEnd::kFailed;
    if (!Append(header)) return Fail();

    std::uint64_t offset = 0;
    std::int64_t rows = 0;
    while (offset < request_.length) {
      if (StopRequested()) return Finish();
      const Blocks blocks = io_.NextBlocks();
      const std::size_t blockLength = blocks.file1.size();
      if (blocks.read == BlockRead::kFailed || blockLength == 0) return Fail();
      const std::uint8_t *block1 = blocks.file1.data(), *block2 = blocks.file2.data();
      for (std::size_t i = 0;
           blocks.read == BlockRead::kRead && (i = FindDifference(block1, block2, i, blockLength)) < blockLength; ++i) {
        ReportProgressBelow(offset + i);
        if (StopRequested()) return Finish();
        if (!AppendRow(offset + i, block1[i], block2[i])) return Fail();
        if (!request_.noLimit && ++rows >= request_.maxRows) return Finish();
      }
      ReportProgressBelow(offset + blockLength);
      offset += blockLength;
    }
    if (!StopRequested()) ReportProgress(100);
    return Finish();
  }

 private:
  bool StopRequested() const { return stop_.load(std::memory_order_relaxed) != 0; }

  bool Flush() {
    const bool written = used_ == 0 || io_.WriteReport(report_.get(), used_);
    used_ = 0;
    return written;
  }

  ComparisonEnd Finish() { return Flush() ? ComparisonEnd::kFinished : ComparisonEnd::kFailed; }

  ComparisonEnd Fail() {
    Flush();
    return ComparisonEnd::kFailed;
  }

  bool Append(std::u16string_view text) {
    while (!text.empty()) {
      if (used_ == capacity_ && !Flush()) return false;
      const std::size_t count = std::min(text.size(), capacity_ - used_);
      text.copy(report_.get() + used_, count);
      used_ += count;
      text.remove_prefix(count);
    }
    return true;
  }

  bool AppendRow(std::uint64_t offset, std::uint8_t byte1, std::uint8_t byte2) {
    if (capacity_ - used_ < kMaxRowUnits && !Flush()) return false;
    used_ += FormatReportRow(report_.get() + used_, offset, byte1, byte2, request_.columns);
    return true;
  }

  // Percent of the way at position: integer steps of the length's hundredth.
  int PercentAt(std::uint64_t position) const {
    const std::uint64_t length = request_.length;
    return static_cast<int>(length <= 100 ? position * 100 / length : position / (length / 100));
  }

  void ReportProgress(int percent) {
    if (percent == lastPercent_) return;
    lastPercent_ = percent;
    io_.ReportProgress(percent);
  }

  // Reports every new percentage met at the measuring positions below end,
  // skipping straight over the positions that would repeat the last one.
  void ReportProgressBelow(std::uint64_t end) {
    while (nextProgressAt_ < end) {
      if (StopRequested()) return;
      const int percent = PercentAt(nextProgressAt_);
      ReportProgress(percent);
      std::uint64_t next = nextProgressAt_ + kProgressStep;
      if (request_.length > 100) {
        const std::uint64_t firstOfNextPercent = static_cast<std::uint64_t>(percent + 1) * (request_.length / 100);
        next = std::max(next, (firstOfNextPercent + kProgressStep - 1) / kProgressStep * kProgressStep);
      }
      nextProgressAt_ = next;
    }
  }

  const ComparisonRequest& request_;
  const std::atomic<int>& stop_;
  ComparisonIo& io_;
  std::unique_ptr<char16_t[]> report_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  std::uint64_t nextProgressAt_ = 0;
  int lastPercent_ = -1;
};

}  // namespace

ComparisonEnd RunComparison(const ComparisonRequest& request, const std::atomic<int>& stop, ComparisonIo& io) {
  return Comparison(request, stop, io).Run();
}

}  // namespace zv::compare
