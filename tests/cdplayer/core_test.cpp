// The choice of the next program entry and the packed times, natively and under Wine.
#include <gtest/gtest.h>

#include <vector>

#include "cd_program.h"

namespace {

using zv::cdplayer::MoveChoices;
using zv::cdplayer::MoveToPlayable;
using zv::cdplayer::ProgramView;

TEST(CdTimes, TrackStartAndEndInTmsf) {
  EXPECT_EQ(zv::cdplayer::TrackStart(0), 0x00000001u);
  EXPECT_EQ(zv::cdplayer::TrackStart(11), 0x0000000Cu);
  // Track 2 of 0:20:00 ends at 2:00:20:00; track 4 of 3:07:42 at 4:03:07:42.
  EXPECT_EQ(zv::cdplayer::TrackEnd(1, 0x001400), 0x00140002u);
  EXPECT_EQ(zv::cdplayer::TrackEnd(3, 0x2A0703), 0x2A070304u);
  EXPECT_EQ(zv::cdplayer::RandomSeed(1000005), 0x4245u);
  EXPECT_EQ(zv::cdplayer::RandomSeed(-1), 0x7FFFu);
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
    size_t drawsUsed;
  };
  const std::vector<uint32_t> all = {0, 1, 2, 3};
  const std::vector<uint8_t> none(4, 0);
  const Case cases[] = {
      {"next", all, none, 0, +1, false, false, {}, true, 1, 0},
      {"first next of a new worker", all, none, -1, +1, false, false, {}, true, 0, 0},
      {"off the end without repeat", all, none, 3, +1, false, false, {}, false, 4, 0},
      {"off the end with repeat", all, none, 3, +1, false, true, {}, true, 0, 0},
      {"over a marked track", all, {0, 0, 1, 0}, 1, +1, false, false, {}, true, 3, 0},
      {"previous", all, none, 2, -1, false, false, {}, true, 1, 0},
      {"previous on 0 without repeat plays 0", all, none, 0, -1, false, false, {}, true, 0, 0},
      {"previous on 0 with repeat plays the last", all, none, 0, -1, false, true, {}, true, 3, 0},
      {"previous over a marked track", all, {0, 1, 0, 0}, 2, -1, false, false, {}, true, 0, 0},
      {"previous turns forward at a marked 0", all, {1, 0, 0, 0}, 0, -1, false, false, {}, true, 1, 0},
      {"previous is never random", all, none, 2, -1, true, false, {8192}, true, 1, 0},
      {"random: 4 x 8192 / 32767", all, none, 3, +1, true, false, {8192}, true, 1, 1},
      {"random: 32767 is the last", all, none, 0, +1, true, false, {32767}, true, 3, 1},
      {"random: 0 is the first", all, none, 2, +1, true, false, {0}, true, 0, 1},
      {"random: a wider draw is cut", all, none, 0, +1, true, false, {32768 + 8192}, true, 1, 1},
      {"random on a marked track steps on", all, {0, 1, 0, 0}, 0, +1, true, false, {8192}, true, 2, 1},
      {"random pick may be the current entry", all, none, 1, +1, true, false, {8192}, true, 1, 1},
      {"every track marked", all, {1, 1, 1, 1}, 0, +1, false, true, {}, false, 0, 0},
      {"no disc", all, {}, 0, +1, false, true, {}, false, 0, 0},
      {"empty program", {}, none, 0, +1, false, true, {}, false, 0, 0},
      {"empty program backward", {}, none, 0, -1, true, true, {}, false, 0, 0},
      {"only marked tracks, repeat", {1, 1, 1}, {0, 1}, 0, +1, true, true, {100}, false, 2, 1},
      {"only marked tracks, backward repeat", {1, 1}, {0, 1}, 0, -1, false, true, {}, false, 1, 0},
      {"a track the disc has not", {7, 0}, {0}, -1, +1, false, false, {}, true, 1, 0},
      {"shortened program, backward", {0, 1}, {0, 0}, 5, -1, false, false, {}, true, 1, 0},
      {"shortened program, forward with repeat", {0, 1}, {0, 0}, 5, +1, false, true, {}, true, 0, 0},
      {"shortened program, forward", {0, 1}, {0, 0}, 5, +1, false, false, {}, false, 6, 0},
  };
  for (const Case& c : cases) {
    size_t used = 0;
    MoveChoices choices;
    choices.random = [&] { return c.random; };
    choices.repeat = [&] { return c.repeat; };
    choices.draw = [&] { return used < c.draws.size() ? c.draws[used++] : 0u; };
    const ProgramView view{c.program.size(), [&](size_t i) { return c.program.at(i); }, c.marks};
    int64_t position = c.from;
    EXPECT_EQ(MoveToPlayable(view, position, c.direction, choices), c.moved) << c.what;
    if (c.moved) {
      EXPECT_EQ(position, c.to) << c.what;
    }
    EXPECT_EQ(used, c.drawsUsed) << c.what;
  }
}

}  // namespace
