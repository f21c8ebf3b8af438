// The CD volume on a scripted mixer: what was asked of it, what was written,
// and that it is closed on every way out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cd_volume.h"

namespace {

const HMIXER kMixer = reinterpret_cast<HMIXER>(0x4D49);

// A mixer whose last device has a CD line with one volume control, unless told
// to fail a call. It writes down each call.
class ScriptedMixer final : public CdMixer {
 public:
  UINT devices = 3;
  DWORD minimum = 0, maximum = 65535, value = 0;
  std::string failing;  // "open", "line", "controls", "get" or "set"
  std::vector<std::string> calls;
  bool wrote = false;
  int open = 0;

  UINT GetNumDevs() override { return devices; }
  MMRESULT Open(HMIXER* phMixer, UINT uMxId) override {
    calls.push_back("open " + std::to_string(uMxId));
    if (failing == "open") return MMSYSERR_BADDEVICEID;
    *phMixer = kMixer;
    ++open;
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetLineInfo(HMIXER hMixer, MIXERLINEW* line, DWORD flags) override {
    EXPECT_EQ(hMixer, kMixer);
    EXPECT_EQ(line->cbStruct, sizeof *line);
    EXPECT_EQ(flags, DWORD{MIXER_GETLINEINFOF_COMPONENTTYPE});
    calls.push_back("line " + std::to_string(line->dwComponentType));
    line->dwLineID = 0x20;
    return failing == "line" ? MIXERR_INVALLINE : MMSYSERR_NOERROR;
  }
  MMRESULT GetLineControls(HMIXER, MIXERLINECONTROLSW* controls, DWORD flags) override {
    EXPECT_EQ(flags, DWORD{MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE});
    EXPECT_EQ(controls->cControls, 1u);
    EXPECT_EQ(controls->cbmxctrl, sizeof(MIXERCONTROLW));
    calls.push_back("controls line=" + std::to_string(controls->dwLineID) +
                    " type=" + std::to_string(controls->dwControlType));
    if (failing == "controls") return MIXERR_INVALCONTROL;
    controls->pamxctrl->dwControlID = 7;
    controls->pamxctrl->Bounds.dwMinimum = minimum;
    controls->pamxctrl->Bounds.dwMaximum = maximum;
    return MMSYSERR_NOERROR;
  }
  MMRESULT GetControlDetails(HMIXER, MIXERCONTROLDETAILS* details, DWORD flags) override {
    EXPECT_EQ(flags, DWORD{MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE});
    calls.push_back(Describe("get", *details));
    if (failing == "get") return MMSYSERR_ERROR;
    static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue = value;
    return MMSYSERR_NOERROR;
  }
  MMRESULT SetControlDetails(HMIXER, MIXERCONTROLDETAILS* details, DWORD flags) override {
    EXPECT_EQ(flags, DWORD{MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE});
    calls.push_back(Describe("set", *details) + " value=" +
                    std::to_string(static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue));
    if (failing == "set") return MMSYSERR_ERROR;
    value = static_cast<MIXERCONTROLDETAILS_UNSIGNED*>(details->paDetails)->dwValue;
    wrote = true;
    return MMSYSERR_NOERROR;
  }
  MMRESULT Close(HMIXER hMixer) override {
    EXPECT_EQ(hMixer, kMixer);
    --open;
    return MMSYSERR_NOERROR;
  }

 private:
  static std::string Describe(const char* what, const MIXERCONTROLDETAILS& d) {
    return std::string(what) + " control=" + std::to_string(d.dwControlID) +
           " channels=" + std::to_string(d.cChannels) + " items=" + std::to_string(d.cMultipleItems) +
           " size=" + std::to_string(d.cbDetails);
  }
};

TEST(CdVolume, StepsThePercentageOfTheCdLineVolume) {
  const struct {
    DWORD minimum, maximum, value;
    int step;
    DWORD written;
  } cases[] = {
      {0, 100, 98, +5, 100},                                       // clamped at 100 %
      {0, 100, 3, -10, 0},                                         // clamped at 0 %
      {0, 100, 50, +10, 60},         {0, 65535, 32768, 0, 32767},  // 50 % written back truncates the raw value
      {0, 65535, 32767, +1, 32767},                                // 49 % + 1 = 50 %: the same raw value
      {1000, 1200, 1150, -25, 1100}, {5, 5, 5, +30, 5},            // an empty range reads 0 %
  };
  for (const auto& c : cases) {
    ScriptedMixer mixer;
    mixer.minimum = c.minimum;
    mixer.maximum = c.maximum;
    mixer.value = c.value;
    StepCdVolume(mixer, c.step);
    EXPECT_EQ(mixer.value, c.written) << c.minimum << ".." << c.maximum << " at " << c.value << " step " << c.step;
    EXPECT_EQ(mixer.open, 0) << "closed after each helper";
  }

  ScriptedMixer mixer;
  mixer.value = 13107;
  StepCdVolume(mixer, +10);
  EXPECT_EQ(mixer.calls, (std::vector<std::string>{"open 2", "line 4101", "controls line=32 type=1342373889",
                                                   "get control=7 channels=1 items=0 size=4",  // reads 20 %
                                                   "open 2", "line 4101", "controls line=32 type=1342373889",
                                                   "set control=7 channels=1 items=0 size=4 value=19660"}));
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
    DWORD minimum = 9, maximum = 9, percent = 9;
    EXPECT_EQ(GetCdVolume(mixer, &minimum, &maximum, &percent), mixer.failing == "set" ? TRUE : FALSE) << failing;
    if (mixer.failing != "set" && mixer.failing != "get") {
      EXPECT_EQ(minimum + maximum + percent, 0u) << failing;
    }
  }
}

}  // namespace
