#include "zvutil.h"

namespace {

OSVERSIONINFOW ReadOsVersion() {
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  static_assert(sizeof version == 276);
  // A failure leaves the whole record zero, so the platform reads as unknown.
  if (!GetVersionExW(&version)) version = OSVERSIONINFOW{};
  return version;
}

}  // namespace

const OSVERSIONINFOW& GetOsVersionRecord() {
  // Filled once, on first use, and never refreshed.
  static const OSVERSIONINFOW version = ReadOsVersion();
  return version;
}

DWORD GetOsPlatformId() { return GetOsVersionRecord().dwPlatformId; }
