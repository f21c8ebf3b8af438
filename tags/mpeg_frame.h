// A summary of the MPEG audio frames (Layer III only) at the start of a file.
#pragma once

#include <cstdint>

#include "byte_reader.h"

namespace zv::tags {

// The host's MPEGAUDIOINFO, six unsigned 32-bit fields.
struct MpegSummary {
  std::uint32_t bFound = 0;            // a valid frame header was found
  std::uint32_t nVersion = 0;          // of the last frame: 0 MPEG 2.5, 2 MPEG 2, 3 MPEG 1
  std::uint32_t nLayer = 0;            // 1, Layer III
  std::uint32_t nBitrateIndex = 0;     // the highest of all frames, 1..14
  std::uint32_t nSampleRateIndex = 0;  // of the last frame, 0..2
  std::uint32_t nChannelMode = 0;      // the smallest of the stored value and every frame's
};
static_assert(sizeof(MpegSummary) == 24);

// Scans the bytes for frame headers, jumping over each valid frame.
MpegSummary ScanMpegFrames(Bytes bytes);

// Length in bytes of a valid Layer III frame; 0 for an invalid header.
std::uint32_t MpegFrameLength(std::uint32_t version, std::uint32_t bitrateIndex, std::uint32_t sampleRateIndex,
                              std::uint32_t padding);

}  // namespace zv::tags
