#include "cd_volume.h"

#include <initializer_list>

namespace {

// Both truncate in unsigned 32-bit arithmetic: a step moves the percentage,
// and the raw value only as far as a whole percent reaches.
DWORD VolumePercent(DWORD value, DWORD minimum, DWORD maximum) {
  if (maximum == minimum) return 0;
  return (value - minimum) * 100u / (maximum - minimum);
}

DWORD VolumeValue(int percent, DWORD minimum, DWORD maximum) {
  const DWORD clamped = percent < 0 ? 0u : percent > 100 ? 100u : static_cast<DWORD>(percent);
  return minimum + clamped * (maximum - minimum) / 100u;
}

class WinmmMixer final : public CdMixer {
 public:
  UINT GetNumDevs() override { return ::mixerGetNumDevs(); }
  MMRESULT Open(HMIXER* phMixer, UINT uMxId) override { return ::mixerOpen(phMixer, uMxId, 0, 0, 0); }
  MMRESULT GetLineInfo(HMIXER hMixer, MIXERLINEW* pLine, DWORD fdwInfo) override {
    return ::mixerGetLineInfoW(Object(hMixer), pLine, fdwInfo);
  }
  MMRESULT GetLineControls(HMIXER hMixer, MIXERLINECONTROLSW* pControls, DWORD fdwControls) override {
    return ::mixerGetLineControlsW(Object(hMixer), pControls, fdwControls);
  }
  MMRESULT GetControlDetails(HMIXER hMixer, MIXERCONTROLDETAILS* pDetails, DWORD fdwDetails) override {
    return ::mixerGetControlDetailsW(Object(hMixer), pDetails, fdwDetails);
  }
  MMRESULT SetControlDetails(HMIXER hMixer, MIXERCONTROLDETAILS* pDetails, DWORD fdwDetails) override {
    return ::mixerSetControlDetails(Object(hMixer), pDetails, fdwDetails);
  }
  MMRESULT Close(HMIXER hMixer) override { return ::mixerClose(hMixer); }

 private:
  static HMIXEROBJ Object(HMIXER hMixer) { return reinterpret_cast<HMIXEROBJ>(hMixer); }
};

// The volume control of the last mixer's CD line, with the mixer open while it lives.
class CdVolumeControl {
 public:
  explicit CdVolumeControl(CdMixer& mixer) : m_mixer(mixer) {
    const UINT nDevices = mixer.GetNumDevs();
    if (nDevices == 0 || mixer.Open(&m_hMixer, nDevices - 1) != MMSYSERR_NOERROR) {
      m_hMixer = nullptr;
      return;
    }
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (mixer.GetLineInfo(m_hMixer, &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof m_control;
    controls.pamxctrl = &m_control;
    m_control.cbStruct = sizeof m_control;
    m_bFound = mixer.GetLineControls(m_hMixer, &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
               MMSYSERR_NOERROR;
  }
  ~CdVolumeControl() {
    if (m_hMixer) m_mixer.Close(m_hMixer);
  }
  CdVolumeControl(const CdVolumeControl&) = delete;
  CdVolumeControl& operator=(const CdVolumeControl&) = delete;

  bool Found() const { return m_bFound; }
  DWORD Minimum() const { return m_control.Bounds.dwMinimum; }
  DWORD Maximum() const { return m_control.Bounds.dwMaximum; }

  bool Read(DWORD& dwValue) {
    MIXERCONTROLDETAILS_UNSIGNED value{};
    MIXERCONTROLDETAILS details = Details(value);
    if (m_mixer.GetControlDetails(m_hMixer, &details, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
      return false;
    dwValue = value.dwValue;
    return true;
  }
  bool Write(DWORD dwValue) {
    MIXERCONTROLDETAILS_UNSIGNED value{dwValue};
    MIXERCONTROLDETAILS details = Details(value);
    return m_mixer.SetControlDetails(m_hMixer, &details, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }

 private:
  // One value for every channel.
  MIXERCONTROLDETAILS Details(MIXERCONTROLDETAILS_UNSIGNED& value) const {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = m_control.dwControlID;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    return details;
  }

  CdMixer& m_mixer;
  HMIXER m_hMixer = nullptr;
  MIXERCONTROLW m_control{};
  bool m_bFound = false;
};

}  // namespace

CdMixer& SystemMixer() {
  static WinmmMixer mixer;
  return mixer;
}

BOOL GetCdVolume(CdMixer& mixer, DWORD* pdwMinimum, DWORD* pdwMaximum, DWORD* pdwPercent) {
  for (DWORD* pdwOut : {pdwMinimum, pdwMaximum, pdwPercent})
    if (pdwOut) *pdwOut = 0;
  CdVolumeControl control(mixer);
  if (!control.Found()) return FALSE;
  if (pdwMinimum) *pdwMinimum = control.Minimum();
  if (pdwMaximum) *pdwMaximum = control.Maximum();
  DWORD dwValue = 0;
  if (!control.Read(dwValue)) return FALSE;
  if (pdwPercent) *pdwPercent = VolumePercent(dwValue, control.Minimum(), control.Maximum());
  return TRUE;
}

BOOL SetCdVolume(CdMixer& mixer, int nPercent) {
  CdVolumeControl control(mixer);
  return control.Found() && control.Write(VolumeValue(nPercent, control.Minimum(), control.Maximum()));
}

void StepCdVolume(CdMixer& mixer, int nStep) {
  DWORD dwPercent = 0;
  if (GetCdVolume(mixer, nullptr, nullptr, &dwPercent)) SetCdVolume(mixer, static_cast<int>(dwPercent) + nStep);
}
