// The loudness of CD playback as a percentage of the range of the volume
// control of the CD-audio line of the system's last mixer, over a small mixer
// interface free of Win32: cd_volume makes the platform's calls behind it.
#pragma once

#include <cstdint>

namespace zv::cdplayer {

class CdMixer {
 public:
  virtual ~CdMixer() = default;
  virtual uint32_t DeviceCount() = 0;
  // True when the mixer is open; Close follows then, whatever else fails.
  virtual bool Open(uint32_t device) = 0;
  // The volume control of the open mixer's CD line, and its range.
  virtual bool FindCdVolume(uint32_t& minimum, uint32_t& maximum) = 0;
  virtual bool Read(uint32_t& value) = 0;
  virtual bool Write(uint32_t value) = 0;
  virtual void Close() = 0;
};

// Each output that is given is set (0 first); false when a mixer call failed.
bool GetCdVolume(CdMixer& mixer, uint32_t* minimum, uint32_t* maximum, uint32_t* percent);
// The percentage is clamped to 0..100; false when a mixer call failed.
bool SetCdVolume(CdMixer& mixer, int percent);
// Moves the volume by step percent; nothing changes when it cannot be read.
void StepCdVolume(CdMixer& mixer, int step);

}  // namespace zv::cdplayer
