// The Layer III frame scan, on headers laid out here and (natively) on files
// encoded by lame.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "command_output.h"
#include "mpeg_frame.h"

namespace zv::tags {
namespace {

using Fields = std::array<std::uint32_t, 6>;

Fields FieldsOf(const MpegSummary& s) {
  return {s.bFound, s.nVersion, s.nLayer, s.nBitrateIndex, s.nSampleRateIndex, s.nChannelMode};
}

constexpr Fields kNotFound{0, 0, 0, 0, 0, 0};

struct Placed {
  std::size_t offset;
  std::vector<std::uint8_t> bytes;
};

// size zero bytes with the given bytes written over them.
std::vector<std::uint8_t> Place(std::size_t size, const std::vector<Placed>& placed) {
  std::vector<std::uint8_t> bytes(size);
  for (const Placed& p : placed) std::copy(p.bytes.begin(), p.bytes.end(), bytes.begin() + p.offset);
  return bytes;
}

TEST(MpegFrame, LengthFollowsBitRateSamplingRateAndPadding) {
  struct Case {
    std::uint32_t version, bitrateIndex, sampleRateIndex, padding, length;
  } const cases[] = {
      {3, 9, 0, 0, 417},
      {3, 9, 0, 1, 418},
      {3, 1, 1, 0, 96},
      {3, 14, 2, 0, 1440},
      {3, 11, 1, 1, 577},
      {2, 8, 0, 0, 208},
      {2, 8, 1, 0, 192},
      {2, 14, 2, 0, 720},
      {2, 1, 1, 0, 24},
      {0, 1, 2, 0, 72},
      {0, 14, 0, 1, 1045},
      {0, 8, 1, 0, 384},
      // Invalid: reserved version, free and forbidden bit rates, reserved rate.
      {1, 9, 0, 0, 0},
      {3, 0, 0, 0, 0},
      {3, 15, 0, 0, 0},
      {2, 9, 3, 0, 0},
      {4, 9, 0, 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MpegFrameLength(c.version, c.bitrateIndex, c.sampleRateIndex, c.padding), c.length)
        << c.version << " " << c.bitrateIndex << " " << c.sampleRateIndex << " " << c.padding;
  }
}

TEST(MpegFrame, ScanKeepsTheHighestBitRateAndTheLastFormat) {
  const std::vector<std::uint8_t> mpeg1{0xFF, 0xFB, 0x90, 0x00};  // 128 kbit/s, 44.1 kHz: 417 bytes
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
    Fields expected;
  } const cases[] = {
      {"nothing", {}, kNotFound},
      {"zeros", Place(1000, {}), kNotFound},
      {"MPEG 1", mpeg1, {1, 3, 1, 9, 0, 0}},
      {"after other bytes", {0x00, 0x11, 0xFF, 0x00, 0xFF, 0xFB, 0x90, 0x00}, {1, 3, 1, 9, 0, 0}},
      {"MPEG 2", {0xFF, 0xF3, 0x84, 0x00}, {1, 2, 1, 8, 1, 0}},
      {"MPEG 2.5, mono: channel mode stays 0", {0xFF, 0xE3, 0x18, 0xC4}, {1, 0, 1, 1, 2, 0}},
      {"cut short", {0xFF, 0xFB, 0x90}, kNotFound},
      {"Layer II", {0xFF, 0xFD, 0x90, 0x00}, kNotFound},
      {"Layer I", {0xFF, 0xFF, 0x90, 0x00}, kNotFound},
      {"reserved version", {0xFF, 0xEB, 0x90, 0x00}, kNotFound},
      {"free bit rate", {0xFF, 0xFB, 0x00, 0x00}, kNotFound},
      {"forbidden bit rate", {0xFF, 0xFB, 0xF0, 0x00}, kNotFound},
      {"reserved sampling rate", {0xFF, 0xFB, 0x9C, 0x00}, kNotFound},
      {"sync only 10 bits", {0xFF, 0xDB, 0x90, 0x00}, kNotFound},
      // The second FF is taken as the second header byte (Layer I), so the
      // header behind it is passed.
      {"FF before a header", {0xFF, 0xFF, 0xFB, 0x90, 0x00}, kNotFound},
      {"invalid header not jumped over", {0xFF, 0xFB, 0xF0, 0x00, 0xFF, 0xFB, 0x90, 0x00}, {1, 3, 1, 9, 0, 0}},
      // 320 kbit/s would be index 14; it lies inside the frame, so it is data.
      {"header inside a frame is data", Place(417, {{0, mpeg1}, {100, {0xFF, 0xFB, 0xE0, 0x00}}}), {1, 3, 1, 9, 0, 0}},
  };
  for (const Case& c : cases) EXPECT_EQ(FieldsOf(ScanMpegFrames(c.bytes)), c.expected) << c.name;
}

// Each frame is followed by a header one byte early (an FF) and the real next
// header at exactly the frame length: landing one byte short takes the FF and
// the real header's FF as a Layer I header and misses the real one.
TEST(MpegFrame, ScanJumpsExactlyOverEachFrame) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> first;
    std::size_t length;
    Fields expected;  // from the first header and the MPEG 1 header FF FB B0 00 (192 kbit/s)
  } const cases[] = {
      {"MPEG 1, 128 kbit/s, 44.1 kHz", {0xFF, 0xFB, 0x90, 0x00}, 417, {1, 3, 1, 11, 0, 0}},
      {"MPEG 1 with padding", {0xFF, 0xFB, 0x92, 0x00}, 418, {1, 3, 1, 11, 0, 0}},
      {"MPEG 1, 32 kbit/s, 48 kHz", {0xFF, 0xFB, 0x14, 0x00}, 96, {1, 3, 1, 11, 0, 0}},
      {"MPEG 2, 64 kbit/s, 24 kHz", {0xFF, 0xF3, 0x84, 0x00}, 192, {1, 3, 1, 11, 0, 0}},
      {"MPEG 2, 160 kbit/s, 16 kHz, highest index kept", {0xFF, 0xF3, 0xE8, 0x00}, 720, {1, 3, 1, 14, 0, 0}},
      {"MPEG 2.5, 8 kbit/s, 8 kHz", {0xFF, 0xE3, 0x18, 0xC4}, 72, {1, 3, 1, 11, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto bytes =
        Place(c.length + 4, {{0, c.first}, {c.length - 1, {0xFF}}, {c.length, {0xFF, 0xFB, 0xB0, 0x00}}});
    EXPECT_EQ(FieldsOf(ScanMpegFrames(bytes)), c.expected) << c.name;
  }
}

#ifndef _WIN32
using testing::CommandOutput;

// A third of a second of silence encoded by lame as constant bit rate, without
// its Info frame.
std::string Lame(const std::string& options) {
  return "sox -V1 -n -t wav -r 44100 -c 2 -b 16 - trim 0 0.3 | lame --silent -t " + options + " - -";
}

TEST(MpegFrame, ScansFilesEncodedByLame) {
  struct Case {
    std::string command;
    Fields expected;
  } const cases[] = {
      {Lame("-b 128"), {1, 3, 1, 9, 0, 0}},
      {Lame("-b 32 -m m --resample 44.1"), {1, 3, 1, 1, 0, 0}},
      {Lame("-b 192 --resample 48"), {1, 3, 1, 11, 1, 0}},
      {Lame("-b 320 --resample 32"), {1, 3, 1, 14, 2, 0}},
      {Lame("-b 64 --resample 22.05"), {1, 2, 1, 8, 0, 0}},
      {Lame("-b 160 --resample 24"), {1, 2, 1, 14, 1, 0}},
      {Lame("-b 8 --resample 16"), {1, 2, 1, 1, 2, 0}},
      {Lame("-b 64 --resample 11.025"), {1, 0, 1, 8, 0, 0}},
      {Lame("-b 8 --resample 8 -m m"), {1, 0, 1, 1, 2, 0}},
      {"{ " + Lame("-b 128") + "; " + Lame("-b 192") + "; }", {1, 3, 1, 11, 0, 0}},
      {"{ " + Lame("-b 64 --resample 22.05") + "; " + Lame("-b 32 --resample 48") + "; }", {1, 3, 1, 8, 1, 0}},
  };
  for (const Case& c : cases) {
    const std::string file = CommandOutput(c.command);
    ASSERT_FALSE(file.empty()) << c.command;
    const Bytes bytes(reinterpret_cast<const std::uint8_t*>(file.data()), file.size());
    EXPECT_EQ(FieldsOf(ScanMpegFrames(bytes)), c.expected) << c.command;
  }
}
#endif

}  // namespace
}  // namespace zv::tags
