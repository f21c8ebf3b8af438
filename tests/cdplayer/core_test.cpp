// The player's decisions, natively and under Wine: the packed times, the next
// program entry, what the player window does and shows, and the volume steps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cd_program.h"
#include "cd_volume_steps.h"

namespace {

using namespace zv::cdplayer;

TEST(CdTimes, TrackStartAndEndInTmsf) {
  EXPECT_EQ(TrackStart(11), 0x0000000Cu);
  EXPECT_EQ(TrackEnd(3, 0x2A0703), 0x2A070304u) << "track 4 of 3:07:42 ends at 4:03:07:42";
}

TEST(CdProgram, MovesToThePlayableEntry) {
  struct Case {
    const char* what;
    std::vector<uint32_t> program;
    std::vector<uint8_t> marks;
    int64_t from;
    int direction;
    bool random, repeat;
    std::vector<uint32_t> draws;
    bool moved;
    int64_t to;
  };
  const std::vector<uint32_t> all = {0, 1, 2, 3};
  const std::vector<uint8_t> none(4, 0);
  const Case cases[] = {
      {"next", all, none, 0, +1, false, false, {}, true, 1},
      {"first next of a new worker", all, none, -1, +1, false, false, {}, true, 0},
      {"off the end without repeat", all, none, 3, +1, false, false, {}, false, 4},
      {"off the end with repeat", all, none, 3, +1, false, true, {}, true, 0},
      {"over a marked track", all, {0, 0, 1, 0}, 1, +1, false, false, {}, true, 3},
      {"previous", all, none, 2, -1, false, false, {}, true, 1},
      {"previous on 0 without repeat plays 0", all, none, 0, -1, false, false, {}, true, 0},
      {"previous on 0 with repeat plays the last", all, none, 0, -1, false, true, {}, true, 3},
      {"previous over a marked track", all, {0, 1, 0, 0}, 2, -1, false, false, {}, true, 0},
      {"previous turns forward at a marked 0", all, {1, 0, 0, 0}, 0, -1, false, false, {}, true, 1},
      {"previous is never random", all, none, 2, -1, true, false, {}, true, 1},
      {"random: 4 x 8192 / 32767", all, none, 3, +1, true, false, {8192}, true, 1},
      {"random: 32767 is the last", all, none, 0, +1, true, false, {32767}, true, 3},
      {"random: 0 is the first", all, none, 2, +1, true, false, {0}, true, 0},
      {"random: a wider draw is cut", all, none, 0, +1, true, false, {32768 + 8192}, true, 1},
      {"random on a marked track steps on", all, {0, 1, 0, 0}, 0, +1, true, false, {8192}, true, 2},
      {"random pick may be the current entry", all, none, 1, +1, true, false, {8192}, true, 1},
      {"every track marked", all, {1, 1, 1, 1}, 0, +1, false, true, {}, false, 0},
      {"no disc", all, {}, 0, +1, false, true, {}, false, 0},
      {"empty program", {}, none, 0, +1, false, true, {}, false, 0},
      {"only marked tracks, repeat", {1, 1, 1}, {0, 1}, 0, +1, true, true, {100}, false, 2},
      {"only marked tracks, backward repeat", {1, 1}, {0, 1}, 0, -1, false, true, {}, false, 1},
      {"a track the disc has not", {7, 0}, {0}, -1, +1, false, false, {}, true, 1},
      {"shortened program, backward", {0, 1}, {0, 0}, 5, -1, false, false, {}, true, 1},
      {"shortened program, forward with repeat", {0, 1}, {0, 0}, 5, +1, false, true, {}, true, 0},
      {"shortened program, forward", {0, 1}, {0, 0}, 5, +1, false, false, {}, false, 6},
  };
  for (const Case& c : cases) {
    size_t used = 0;
    const MoveChoices choices{[&] { return c.random; }, [&] { return c.repeat; },
                              [&] { return used < c.draws.size() ? c.draws[used++] : (++used, 0u); }};
    const ProgramView view{c.program.size(), [&](size_t i) { return c.program.at(i); }, c.marks};
    int64_t position = c.from;
    EXPECT_EQ(MoveToPlayable(view, position, c.direction, choices), c.moved) << c.what;
    EXPECT_TRUE(!c.moved || position == c.to) << c.what << ": " << position;
    EXPECT_EQ(used, c.draws.size()) << c.what << ": draws";
  }
}

// The program 0, 1, 2 shows the rows 0, 1, 2 and 末尾 (3).
TEST(CdPlayerWindow, EditsTheProgram) {
  struct Case {
    const char* what;
    char button;  // '+' add (of track 3, or none), '-' remove, '^' up, 'v' down
    int selected;
    std::vector<uint32_t> after;
    std::optional<int> select;
    int track = 3;
  };
  const std::vector<uint32_t> before = {0, 1, 2};
  const Case cases[] = {
      {"add before the selected entry", '+', 1, {0, 3, 1, 2}, 1},
      {"add with 末尾 selected: appended and selected", '+', 3, {0, 1, 2, 3}, 3},
      {"add with nothing selected", '+', -1, {0, 1, 2, 3}, -1},
      {"add without a track", '+', 1, before, std::nullopt, -1},
      {"remove", '-', 1, {0, 2}, 1},
      {"remove the last entry: 末尾 selected", '-', 2, {0, 1}, 2},
      {"remove 末尾", '-', 3, before, std::nullopt},
      {"up", '^', 2, {0, 2, 1}, 1},
      {"up the first", '^', 0, before, std::nullopt},
      {"up 末尾", '^', 3, before, std::nullopt},
      {"down", 'v', 0, {1, 0, 2}, 1},
      {"down the last", 'v', 2, before, std::nullopt},
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> program = before;
    const std::optional<int> select = c.button == '+'   ? AddToProgram(program, c.selected, c.track)
                                      : c.button == '-' ? RemoveFromProgram(program, c.selected)
                                      : c.button == '^' ? MoveUpInProgram(program, c.selected)
                                                        : MoveDownInProgram(program, c.selected);
    EXPECT_EQ(program, c.after) << c.what;
    EXPECT_EQ(select, c.select) << c.what;
  }
}

TEST(CdPlayerWindow, ChoosesWhatPlayDoes) {
  struct Case {
    bool restart;
    int state, rows;
    size_t entries;
    PlayChoice choice;
  };
  const Case cases[] = {
      {false, CDSTATE_PAUSED, 5, 4, PlayChoice::Resume},         {true, CDSTATE_PAUSED, 5, 4, PlayChoice::Start},
      {false, CDSTATE_PAUSED, 0, 0, PlayChoice::Resume},         {false, CDSTATE_PLAYING, 5, 4, PlayChoice::Start},
      {false, CDSTATE_STOPPED, 0, 4, PlayChoice::NoProgramRows}, {false, 0, 1, 0, PlayChoice::NoData},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ChoosePlay(c.restart, c.state, c.rows, c.entries), c.choice) << c.restart << " " << c.state;
  // The selected row of five (four entries and 末尾).
  const std::pair<int, int64_t> starts[] = {{-1, 0}, {0, 0}, {2, 2}, {3, 3}, {4, 0}};
  for (const auto& [selected, start] : starts) EXPECT_EQ(StartPosition(selected, 5), start) << selected;
}

TEST(CdPlayerWindow, RowAndDisplayTexts) {
  const std::vector<uint64_t> lengths = {0x000003, 0x2A1400, 0x00053B};  // 3:00, 0:20:42, 59:05
  EXPECT_EQ(TrackRow(2, lengths[2]), u"Track 03 [59:05]");
  EXPECT_EQ(TrackRow(99, 0x0000FF), u"Track 100 [255:00]");
  EXPECT_EQ(ProgramRow(0, 1, lengths), u"01:Track 02 [00:20]");
  EXPECT_EQ(ProgramRow(11, 7, lengths), u"12:Track 08 [00:00]") << "a track the disc has not";

  const auto shown = [](const DisplayTexts& d) { return d.track + u" " + d.time + u" " + d.position; };
  EXPECT_EQ(shown(IdleDisplay()), u"00 00:00(00:00) 00/00");
  EXPECT_EQ(shown(PlayingDisplay(1, Tmsf(2, 0, 12, 74), 1, 4, lengths)), u"02 00:12(00:20) 02/04");
  EXPECT_EQ(shown(PlayingDisplay(-1, 0, -1, 0, lengths)), u"00 00:00(00:00) 00/00") << "before the first entry";
  EXPECT_EQ(shown(PlayingDisplay(7, Tmsf(8, 61, 5, 0), 99, 100, lengths)), u"08 61:05(00:00) 100/100");
}

TEST(CdPlayerWindow, ButtonBitmapsPerPlayState) {
  using Shown = std::array<uint16_t, 7>;  // previous, play, pause, stop, next, add, remove
  EXPECT_EQ(ButtonBitmaps(0, true), (Shown{2031, 2039, 2036, 2042, 2034, 2045, 2033})) << "not playing";
  EXPECT_EQ(ButtonBitmaps(CDSTATE_PAUSED, false), (Shown{2031, 2038, 2036, 2042, 2034, 2045, 2033}));
  EXPECT_EQ(ButtonBitmaps(CDSTATE_STOPPED, true), (Shown{2032, 2038, 2037, 2043, 2035, 2045, 2033}));
  EXPECT_EQ(ButtonBitmaps(CDSTATE_STOPPED, false), (Shown{2032, 2039, 2037, 2043, 2035, 2045, 2033}));
}

// Of three mixers, the last one's CD line has a volume control, unless the call
// named by failing fails.
struct ScriptedMixer final : CdMixer {
  std::string failing;
  uint32_t minimum = 0, maximum = 0, value = 0, opened = 99;
  int open = 0;

  uint32_t DeviceCount() override { return failing == "devices" ? 0 : 3; }
  bool Open(uint32_t device) override { return (opened = device, failing != "open" && ++open); }
  bool FindCdVolume(uint32_t& low, uint32_t& high) override {
    return (low = minimum, high = maximum, failing != "find");
  }
  bool Read(uint32_t& read) override { return (read = value, failing != "read"); }
  bool Write(uint32_t written) override { return failing != "write" && (value = written, true); }
  void Close() override { --open; }
};

TEST(CdVolume, StepsThePercentageOfTheLastMixersCdLine) {
  const struct {
    const char* failing;
    uint32_t minimum, maximum, value;
    int step;
    uint32_t written;
  } cases[] = {
      {"", 0, 100, 98, +5, 100},          // clamped at 100 %
      {"", 0, 100, 3, -10, 0},            // clamped at 0 %
      {"", 0, 65535, 32768, 0, 32767},    // 50 % written back truncates the raw value
      {"", 0, 65535, 32767, +1, 32767},   // 49 % + 1 = 50 %: the same raw value
      {"", 1000, 1200, 1150, -25, 1100},  //
      {"", 5, 5, 5, +30, 5},              // an empty range reads 0 %
      {"devices", 0, 100, 50, +10, 50},   // and nothing changes when a mixer call fails
      {"open", 0, 100, 50, +10, 50},      //
      {"find", 0, 100, 50, +10, 50},      //
      {"read", 0, 100, 50, +10, 50},      //
      {"write", 0, 100, 50, +10, 50},     //
  };
  for (const auto& c : cases) {
    ScriptedMixer mixer;
    mixer.failing = c.failing, mixer.minimum = c.minimum, mixer.maximum = c.maximum, mixer.value = c.value;
    StepCdVolume(mixer, c.step);
    EXPECT_EQ(mixer.value, c.written) << mixer.failing << " " << mixer.minimum << ".." << mixer.maximum;
    EXPECT_EQ(mixer.opened, mixer.failing == "devices" ? 99u : 2u) << "the last mixer";
    EXPECT_EQ(mixer.open, 0) << "closed after each step";
  }
}

}  // namespace
