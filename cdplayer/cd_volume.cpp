#include "cd_volume.h"

#include <windows.h>
#include <mmsystem.h>

namespace {

// The mixer calls for the CD line's volume control; one value for every channel.
class WinmmMixer final : public zv::cdplayer::CdMixer {
 public:
  uint32_t DeviceCount() override { return ::mixerGetNumDevs(); }
  bool Open(uint32_t device) override { return ::mixerOpen(&m_hMixer, device, 0, 0, 0) == MMSYSERR_NOERROR; }
  bool FindCdVolume(uint32_t& minimum, uint32_t& maximum) override {
    MIXERLINEW line{};
    line.cbStruct = sizeof line;
    line.dwComponentType = MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC;
    if (::mixerGetLineInfoW(Object(), &line, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR) return false;
    MIXERLINECONTROLSW controls{};
    controls.cbStruct = sizeof controls;
    controls.dwLineID = line.dwLineID;
    controls.dwControlType = MIXERCONTROL_CONTROLTYPE_VOLUME;
    controls.cControls = 1;
    controls.cbmxctrl = sizeof m_control;
    controls.pamxctrl = &m_control;
    m_control.cbStruct = sizeof m_control;
    if (::mixerGetLineControlsW(Object(), &controls, MIXER_OBJECTF_HMIXER | MIXER_GETLINECONTROLSF_ONEBYTYPE) !=
        MMSYSERR_NOERROR)
      return false;
    minimum = m_control.Bounds.dwMinimum;
    maximum = m_control.Bounds.dwMaximum;
    return true;
  }
  bool Read(uint32_t& value) override {
    MIXERCONTROLDETAILS_UNSIGNED details{};
    MIXERCONTROLDETAILS request = Details(details);
    if (::mixerGetControlDetailsW(Object(), &request, MIXER_OBJECTF_HMIXER | MIXER_GETCONTROLDETAILSF_VALUE) !=
        MMSYSERR_NOERROR)
      return false;
    value = details.dwValue;
    return true;
  }
  bool Write(uint32_t value) override {
    MIXERCONTROLDETAILS_UNSIGNED details{value};
    MIXERCONTROLDETAILS request = Details(details);
    return ::mixerSetControlDetails(Object(), &request, MIXER_OBJECTF_HMIXER | MIXER_SETCONTROLDETAILSF_VALUE) ==
           MMSYSERR_NOERROR;
  }
  void Close() override { ::mixerClose(m_hMixer); }

 private:
  HMIXEROBJ Object() const { return reinterpret_cast<HMIXEROBJ>(m_hMixer); }
  MIXERCONTROLDETAILS Details(MIXERCONTROLDETAILS_UNSIGNED& value) const {
    MIXERCONTROLDETAILS details{};
    details.cbStruct = sizeof details;
    details.dwControlID = m_control.dwControlID;
    details.cChannels = 1;
    details.cbDetails = sizeof value;
    details.paDetails = &value;
    return details;
  }

  HMIXER m_hMixer = nullptr;
  MIXERCONTROLW m_control{};
};

}  // namespace

zv::cdplayer::CdMixer& SystemMixer() {
  static WinmmMixer mixer;
  return mixer;
}
