#include "cd_volume_steps.h"

#include <initializer_list>

namespace zv::cdplayer {
namespace {

// The last mixer open while this lives, with its CD line's volume control found.
class OpenVolume {
 public:
  explicit OpenVolume(CdMixer& mixer) : m_mixer(mixer) {
    const uint32_t devices = mixer.DeviceCount();
    m_open = devices > 0 && mixer.Open(devices - 1);
    m_found = m_open && mixer.FindCdVolume(m_minimum, m_maximum);
  }
  ~OpenVolume() {
    if (m_open) m_mixer.Close();
  }
  OpenVolume(const OpenVolume&) = delete;
  OpenVolume& operator=(const OpenVolume&) = delete;

  bool Found() const { return m_found; }
  uint32_t Minimum() const { return m_minimum; }
  uint32_t Maximum() const { return m_maximum; }

 private:
  CdMixer& m_mixer;
  bool m_open = false;
  bool m_found = false;
  uint32_t m_minimum = 0, m_maximum = 0;
};

}  // namespace

// Both conversions truncate in unsigned 32-bit arithmetic: a step moves the
// percentage, and the raw value only as far as a whole percent reaches.
bool GetCdVolume(CdMixer& mixer, uint32_t* minimum, uint32_t* maximum, uint32_t* percent) {
  for (uint32_t* out : {minimum, maximum, percent})
    if (out) *out = 0;
  OpenVolume volume(mixer);
  if (!volume.Found()) return false;
  if (minimum) *minimum = volume.Minimum();
  if (maximum) *maximum = volume.Maximum();
  uint32_t value = 0;
  if (!mixer.Read(value)) return false;
  if (percent && volume.Maximum() != volume.Minimum())
    *percent = (value - volume.Minimum()) * 100u / (volume.Maximum() - volume.Minimum());
  return true;
}

bool SetCdVolume(CdMixer& mixer, int percent) {
  OpenVolume volume(mixer);
  const uint32_t clamped = percent < 0 ? 0u : percent > 100 ? 100u : static_cast<uint32_t>(percent);
  return volume.Found() && mixer.Write(volume.Minimum() + clamped * (volume.Maximum() - volume.Minimum()) / 100u);
}

void StepCdVolume(CdMixer& mixer, int step) {
  uint32_t percent = 0;
  if (GetCdVolume(mixer, nullptr, nullptr, &percent)) SetCdVolume(mixer, static_cast<int>(percent) + step);
}

}  // namespace zv::cdplayer
