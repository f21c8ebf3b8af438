// zvcdplay DRIVE TRACK: opens the CD drive (e.g. E:), plays TRACK to the end of
// the disc in TMSF and closes the device, as a second program would; the drive
// plays on. The exit code is the first MCI error, 0 when all went well.
#include <windows.h>
#include <mmsystem.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) return 2;
  MCI_OPEN_PARMSW open{};
  open.lpstrDeviceType = reinterpret_cast<LPCWSTR>(static_cast<UINT_PTR>(MCI_DEVTYPE_CD_AUDIO));
  open.lpstrElementName = argv[1];
  MCIERROR error = mciSendCommandW(0, MCI_OPEN, MCI_OPEN_TYPE | MCI_OPEN_TYPE_ID | MCI_OPEN_ELEMENT,
                                   reinterpret_cast<DWORD_PTR>(&open));
  if (error != 0) return static_cast<int>(error);
  MCI_SET_PARMS set{};
  set.dwTimeFormat = MCI_FORMAT_TMSF;
  error = mciSendCommandW(open.wDeviceID, MCI_SET, MCI_SET_TIME_FORMAT | MCI_WAIT, reinterpret_cast<DWORD_PTR>(&set));
  MCI_PLAY_PARMS play{};
  play.dwFrom = MCI_MAKE_TMSF(std::wcstoul(argv[2], nullptr, 10), 0, 0, 0);
  if (error == 0) error = mciSendCommandW(open.wDeviceID, MCI_PLAY, MCI_FROM, reinterpret_cast<DWORD_PTR>(&play));
  const MCIERROR closed = mciSendCommandW(open.wDeviceID, MCI_CLOSE, MCI_WAIT, 0);
  return static_cast<int>(error != 0 ? error : closed);
}
