// Build switches shared by every header of the framework layer (zvfw.dll).
#pragma once

#ifndef UNICODE
#define UNICODE
#endif
#ifndef _UNICODE
#define _UNICODE
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif

#include <windows.h>

// Host and extension modules import the framework; only zvfw.dll itself defines ZVFW_BUILDING.
#ifdef ZVFW_BUILDING
#define ZVFW_API __declspec(dllexport)
#else
#define ZVFW_API __declspec(dllimport)
#endif

#define AFXAPI WINAPI
#define PASCAL __stdcall

// Version of the framework a module state is built for (14.0).
#define _MFC_VER 0x0E00
