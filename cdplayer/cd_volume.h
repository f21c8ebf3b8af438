// The loudness of CD playback: the volume control of the CD-audio source line
// of the system's last mixer, read and written as a percentage of its range.
#pragma once

#include <windows.h>
#include <mmsystem.h>

// The mixer calls the volume helpers make. SystemMixer() makes them for real;
// tests hand in a scripted mixer, as Wine's mixers have no CD line.
class CdMixer {
 public:
  virtual ~CdMixer() = default;
  virtual UINT GetNumDevs() = 0;
  virtual MMRESULT Open(HMIXER* phMixer, UINT uMxId) = 0;
  virtual MMRESULT GetLineInfo(HMIXER hMixer, MIXERLINEW* pLine, DWORD fdwInfo) = 0;
  virtual MMRESULT GetLineControls(HMIXER hMixer, MIXERLINECONTROLSW* pControls, DWORD fdwControls) = 0;
  virtual MMRESULT GetControlDetails(HMIXER hMixer, MIXERCONTROLDETAILS* pDetails, DWORD fdwDetails) = 0;
  virtual MMRESULT SetControlDetails(HMIXER hMixer, MIXERCONTROLDETAILS* pDetails, DWORD fdwDetails) = 0;
  virtual MMRESULT Close(HMIXER hMixer) = 0;
};

CdMixer& SystemMixer();

// Each output that is given is set (0 first); 1 on success, 0 when a mixer call failed.
BOOL GetCdVolume(CdMixer& mixer, DWORD* pdwMinimum, DWORD* pdwMaximum, DWORD* pdwPercent);
// The percentage is clamped to 0..100; 1 on success, 0 on failure.
BOOL SetCdVolume(CdMixer& mixer, int nPercent);
// Moves the volume by nStep percent; nothing changes when it cannot be read.
void StepCdVolume(CdMixer& mixer, int nStep);
