#include "mpeg_frame.h"

#include <algorithm>

namespace zv::tags {
namespace {

constexpr std::uint32_t kMpeg1 = 3;
constexpr std::uint32_t kMpeg2 = 2;
constexpr std::uint32_t kMpeg25 = 0;
constexpr std::uint32_t kLayer3 = 1;

// Layer III bit rates in kbit/s by index 1..14 (0 is "free", 15 is forbidden).
constexpr std::uint32_t kMpeg1Bitrates[15] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr std::uint32_t kMpeg2Bitrates[15] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

// Sampling rates in Hz by index 0..2 (3 is reserved).
constexpr std::uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};
constexpr std::uint32_t kMpeg2Rates[3] = {22050, 24000, 16000};
constexpr std::uint32_t kMpeg25Rates[3] = {11025, 12000, 8000};

struct FrameHeader {
  std::uint32_t version, layer, bitrateIndex, sampleRateIndex, padding, channelMode;

  FrameHeader(std::uint8_t h1, std::uint8_t h2, std::uint8_t h3)
      : version((h1 >> 3) & 3),
        layer((h1 >> 1) & 3),
        bitrateIndex(h2 >> 4),
        sampleRateIndex((h2 >> 2) & 3),
        padding((h2 >> 1) & 1),
        channelMode(h3 >> 6) {}

  bool IsValid() const {
    return version != 1 && layer == kLayer3 && bitrateIndex >= 1 && bitrateIndex <= 14 && sampleRateIndex != 3;
  }
};

}  // namespace

std::uint32_t MpegFrameLength(std::uint32_t version, std::uint32_t bitrateIndex, std::uint32_t sampleRateIndex,
                              std::uint32_t padding) {
  if (bitrateIndex < 1 || bitrateIndex > 14 || sampleRateIndex > 2 || padding > 1) return 0;
  switch (version) {
    case kMpeg1:
      return 144000 * kMpeg1Bitrates[bitrateIndex] / kMpeg1Rates[sampleRateIndex] + padding;
    case kMpeg2:
      return 72000 * kMpeg2Bitrates[bitrateIndex] / kMpeg2Rates[sampleRateIndex] + padding;
    case kMpeg25:
      return 72000 * kMpeg2Bitrates[bitrateIndex] / kMpeg25Rates[sampleRateIndex] + padding;
    default:
      return 0;
  }
}

MpegSummary ScanMpegFrames(Bytes bytes) {
  MpegSummary summary;
  int state = 0;
  std::uint8_t h1 = 0, h2 = 0;
  std::size_t frameStart = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    const std::uint8_t byte = bytes[at];
    std::size_t next = at + 1;
    switch (state) {
      case 0:
        if (byte == 0xFF) {
          frameStart = at;
          state = 1;
        }
        break;
      case 1:
        // A byte that fails here is not 0xFF either, so it cannot start a header.
        if ((byte & 0xE0) == 0xE0) {
          h1 = byte;
          state = 2;
        } else {
          state = 0;
        }
        break;
      case 2:
        h2 = byte;
        state = 3;
        break;
      default: {
        state = 0;
        const FrameHeader header(h1, h2, byte);
        if (!header.IsValid()) break;
        summary.bFound = 1;
        summary.nVersion = header.version;
        summary.nLayer = header.layer;
        summary.nBitrateIndex = std::max(summary.nBitrateIndex, header.bitrateIndex);
        summary.nSampleRateIndex = header.sampleRateIndex;
        // The smallest from a start of 0, so always 0: kept as the host has
        // always received it.
        summary.nChannelMode = std::min(summary.nChannelMode, header.channelMode);
        const std::uint32_t length =
            MpegFrameLength(header.version, header.bitrateIndex, header.sampleRateIndex, header.padding);
        next = std::max(next, frameStart + length);
        break;
      }
    }
    at = next;
  }
  return summary;
}

}  // namespace zv::tags
