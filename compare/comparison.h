// The comparison loop of the binary compare worker, free of Win32: reads both
// files block by block, writes a row for each differing byte, reports progress
// and stops on request. The caller opens the files and does the I/O.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "report_format.h"

namespace zv::compare {

// Both files are read in blocks of this size.
inline constexpr std::uint32_t kBlockSize = 32000;

// What reading a block of both files came to.
enum class BlockRead {
  kFailed,      // a read failed
  kRead,        // block1 and block2 point at the bytes
  kKnownEqual,  // the two blocks were read and found equal: nothing to walk
};

// What the comparison asks of the outside world.
class ComparisonIo {
 public:
  // Reads the next length bytes of file 1 and of file 2 (at most kBlockSize);
  // on kRead points block1 and block2 at them, valid until the next call.
  virtual BlockRead ReadBlocks(std::uint32_t length, const std::uint8_t*& block1, const std::uint8_t*& block2) = 0;
  // Appends UTF-16 units to the report.
  virtual bool WriteReport(const char16_t* units, std::size_t count) = 0;
  // Progress in percent; called only when the value changes, never after a stop request.
  virtual void ReportProgress(int percent) = 0;

 protected:
  ~ComparisonIo() = default;
};

struct ComparisonRequest {
  std::u16string_view file1;  // as the report's header shows them
  std::u16string_view file2;
  std::uint64_t length = 0;  // bytes to compare: the shorter file's size
  ReportColumns columns;
  bool noLimit = true;
  std::int32_t maxRows = 0;  // with the limit on, at least one row is written
};

enum class ComparisonEnd {
  kFinished,  // end of data, row limit reached or stopped on request
  kFailed,    // a read or a report write failed, or no memory for the buffers
};

// Writes the report's header and rows through io. Rows are collected in a large
// buffer and written in big pieces; whatever was collected is written before
// the function returns, on every way out. stop is polled between bytes.
ComparisonEnd RunComparison(const ComparisonRequest& request, const std::atomic<int>& stop, ComparisonIo& io);

}  // namespace zv::compare
