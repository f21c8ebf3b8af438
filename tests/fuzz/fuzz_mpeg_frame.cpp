// The frame scan on arbitrary bytes. A summary either found nothing and is all
// zero, or holds the fields of a valid Layer III header. Scanning more bytes
// can only add frames: what a prefix found stays found, and its highest bit
// rate can only grow. The first bytes also ask for a frame length, which is 0
// exactly for invalid inputs and otherwise within the table's range.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "mpeg_frame.h"

namespace {

using namespace zv::tags;

void Check(bool holds) {
  if (!holds) std::abort();
}

void CheckSummary(const MpegSummary& s) {
  if (!s.bFound) {
    Check(s.nVersion == 0 && s.nLayer == 0 && s.nBitrateIndex == 0 && s.nSampleRateIndex == 0 && s.nChannelMode == 0);
    return;
  }
  Check(s.bFound == 1);
  Check(s.nVersion == 0 || s.nVersion == 2 || s.nVersion == 3);
  Check(s.nLayer == 1);
  Check(s.nBitrateIndex >= 1 && s.nBitrateIndex <= 14);
  Check(s.nSampleRateIndex <= 2);
  Check(s.nChannelMode == 0);
}

void CheckLength(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  const std::uint32_t version = data[0] % 5, bitrateIndex = data[1] % 17, sampleRateIndex = data[2] % 5,
                      padding = data[3] % 3;
  const std::uint32_t length = MpegFrameLength(version, bitrateIndex, sampleRateIndex, padding);
  const bool valid =
      version != 1 && version != 4 && bitrateIndex >= 1 && bitrateIndex <= 14 && sampleRateIndex <= 2 && padding <= 1;
  Check(valid == (length != 0));
  // The shortest is MPEG 2 at 8 kbit/s and 24 kHz, the longest 320 kbit/s at
  // 32 kHz or 160 kbit/s at 8 kHz, padded.
  if (valid) Check(length >= 24 && length <= 1441);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckLength(data, size);
  const MpegSummary whole = ScanMpegFrames(Bytes(data, size));
  CheckSummary(whole);
  const MpegSummary prefix = ScanMpegFrames(Bytes(data, size / 2));
  CheckSummary(prefix);
  if (prefix.bFound) Check(whole.bFound && whole.nBitrateIndex >= prefix.nBitrateIndex);
  return 0;
}
