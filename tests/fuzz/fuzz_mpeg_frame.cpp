// The frame scan on arbitrary bytes: a summary is all zero or a valid Layer III
// header's, and more bytes only add frames (a prefix's find stays, its bit rate
// only grows). The first bytes ask for a frame length: 0 exactly when invalid.
#include <cstdint>
#include <cstdlib>

#include "mpeg_frame.h"

namespace {

using namespace zv::tags;

void Check(bool holds) {
  if (!holds) std::abort();
}

bool Plausible(const MpegSummary& s) {
  const bool none = s.nVersion == 0 && s.nLayer == 0 && s.nBitrateIndex == 0 && s.nSampleRateIndex == 0;
  const bool valid = (s.nVersion == 0 || s.nVersion == 2 || s.nVersion == 3) && s.nLayer == 1 && s.nBitrateIndex >= 1 &&
                     s.nBitrateIndex <= 14 && s.nSampleRateIndex <= 2;
  return s.nChannelMode == 0 && (s.bFound == 1 ? valid : s.bFound == 0 && none);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 4) {
    const std::uint32_t version = data[0] % 5, bitrate = data[1] % 17, rate = data[2] % 5, padding = data[3] % 3;
    const std::uint32_t length = MpegFrameLength(version, bitrate, rate, padding);
    // The shortest is MPEG 2 at 8 kbit/s and 24 kHz, the longest 320 kbit/s at 32 kHz or 160 kbit/s at 8 kHz, padded.
    const bool valid = version != 1 && version != 4 && bitrate >= 1 && bitrate <= 14 && rate <= 2 && padding <= 1;
    Check(valid ? length >= 24 && length <= 1441 : length == 0);
  }
  const MpegSummary whole = ScanMpegFrames(Bytes(data, size)), prefix = ScanMpegFrames(Bytes(data, size / 2));
  Check(Plausible(whole) && Plausible(prefix));
  Check(!prefix.bFound || (whole.bFound && whole.nBitrateIndex >= prefix.nBitrateIndex));
  return 0;
}
