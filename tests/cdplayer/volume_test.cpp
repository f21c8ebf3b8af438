// The CD volume on a scripted mixer: what was asked of it, what was written,
// and that it is closed on every way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cd_volume.h"

namespace {

const HMIXER kMixer = reinterpret_cast<HMIXER>(0x4D49);

// The last of three mixers has a CD line with one volume control, unless a
// call is told to fail. Each call is written down with what it was given.
class ScriptedMixer final : public CdMixer {
 public:
  UINT devices = 3;
  DWORD minimum = 0, maximum = 65535, value = 0;
  std::string failing;  // "open", "line", "controls", "get" or "set"
  std::vector<std::string> calls;
  int open = 0;

  UINT GetNumDevs() override { return devices; }
  MMRESULT Open(HMIXER* phMixer, UINT id) override {
    calls.push_back("open " + std::to_string(id));
    *phMixer = kMixer;
    return failing == "open" ? MMSYSERR_BADDEVICEID : (++open, MMSYSERR_NOERROR);
  }
  MMRESULT GetLineInfo(HMIXER, MIXERLINEW* line, DWORD flags) override {
    calls.push_back(Text("line", flags) + " size=" + std::to_string(line->cbStruct) +
                    " type=" + std::to_string(line->dwComponentType));
    line->dwLineID = 0x20;
    return failing == "line" ? MIXERR_INVALLINE : MMSYSERR_NOERROR;
  }
  MMRESULT GetLineControls(HMIXER, MIXERLINECONTROLSW* c, DWORD flags) override {
    calls.push_back(Text("controls", flags) + " line=" + std::to_string(c->dwLineID) +
                    " type=" + std::to_string(c->dwControlType) + " count=" + std::to_string(c->cControls) +
                    " size=" + std::to_string(c->cbmxctrl));
    if (failing == "controls") return MIXERR_INVALCONTROL;
    c->pamxctrl->dwControlID = 7;
    c->pamxctrl->Bounds.dwMinimum = minimum;
    c->pamxctrl->Bounds.dwMaximum = maximum;
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetControlDetails(HMIXER, MIXERCONTROLDETAILS* d, DWORD flags) override {
    calls.push_back(Text("get", flags, d));
    if (failing == "get") return MMSYSERR_ERROR;
    static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(d->paDetails)->dwValue = value;
    return MMSYSERR_NOERROR;
  }
  MMRESULT SetControlDetails(HMIXER, MIXERCONTROLDETAILS* d, DWORD flags) override {
    const DWORD written = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(d->paDetails)->dwValue;
    calls.push_back(Text("set", flags, d) + " value=" + std::to_string(written));
    if (failing == "set") return MMSYSERR_ERROR;
    value = written;
    return MMSYSERR_NOERROR;
  }
  MMRESULT Close(HMIXER hMixer) override {
    open -= hMixer == kMixer;
    return MMSYSERR_NOERROR;
  }

 private:
  static std::string Text(const char* what, DWORD flags, const MIXERCONTROLDETAILS* d = nullptr) {
    char text[128];
    std::snprintf(text, sizeof text, "%s flags=0x%lx", what, flags);
    if (d)
      std::snprintf(text + strlen(text), sizeof text - strlen(text), " control=%lu channels=%lu items=%lu size=%lu",
                    d->dwControlID, d->cChannels, d->cMultipleItems, d->cbDetails);
    return text;
  }
};

TEST(CdVolume, StepsThePercentageOfTheCdLineVolume) {
  const struct {
    DWORD minimum, maximum, value;
    int step;
    DWORD written;
  } cases[] = {
      {0, 100, 98, +5, 100},          // clamped at 100 %
      {0, 100, 3, -10, 0},            // clamped at 0 %
      {0, 100, 50, +10, 60},          //
      {0, 65535, 32768, 0, 32767},    // 50 % written back truncates the raw value
      {0, 65535, 32767, +1, 32767},   // 49 % + 1 = 50 %: the same raw value
      {1000, 1200, 1150, -25, 1100},  //
      {5, 5, 5, +30, 5},              // an empty range reads 0 %
  };
  for (const auto& c : cases) {
    ScriptedMixer mixer;
    mixer.minimum = c.minimum, mixer.maximum = c.maximum, mixer.value = c.value;
    StepCdVolume(mixer, c.step);
    EXPECT_EQ(mixer.value, c.written) << c.minimum << ".." << c.maximum << " at " << c.value << " step " << c.step;
    EXPECT_EQ(mixer.open, 0) << "closed after each helper";
  }

  ScriptedMixer mixer;
  mixer.value = 13107;  // 20 %
  StepCdVolume(mixer, +10);
  const std::string find[] = {"open 2", "line flags=0x3 size=284 type=4101",
                              "controls flags=0x80000002 line=32 type=1342373889 count=1 size=228"};
  EXPECT_EQ(mixer.calls,
            (std::vector<std::string>{
                find[0], find[1], find[2], "get flags=0x80000000 control=7 channels=1 items=0 size=4", find[0], find[1],
                find[2], "set flags=0x80000000 control=7 channels=1 items=0 size=4 value=19660"}));
}

TEST(CdVolume, ChangesNothingWhenTheMixerFails) {
  for (const char* failing : {"devices", "open", "line", "controls", "get", "set"}) {
    ScriptedMixer mixer;
    mixer.value = 500;
    mixer.failing = failing;
    if (mixer.failing == "devices") mixer.devices = 0;
    StepCdVolume(mixer, +10);
    EXPECT_EQ(mixer.value, 500u) << failing;
    EXPECT_EQ(mixer.open, 0) << failing;
  }
}

}  // namespace
