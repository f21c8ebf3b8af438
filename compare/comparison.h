// The comparison loop of the binary compare worker, free of Win32: takes both
// files block by block, writes a row for each differing byte, reports progress
// and stops on request. The caller opens the files and does the I/O.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "report_format.h"

namespace zv::compare {

// What reading the next block of both files came to.
enum class BlockRead {
  kFailed,      // a read failed
  kRead,        // the bytes are there to walk
  kKnownEqual,  // the two blocks were read and found equal: nothing to walk
};

// The next block of each file, the two as long as each other; the bytes stay
// valid until the next request.
struct Blocks {
  BlockRead read = BlockRead::kFailed;
  std::span<const std::uint8_t> file1;
  std::span<const std::uint8_t> file2;
};

// What the comparison asks of the outside world.
class ComparisonIo {
 public:
  // The blocks after the ones before, from the start of the files; the reader
  // chooses their length and never goes past the compared length.
  virtual Blocks NextBlocks() = 0;
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
