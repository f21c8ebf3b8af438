// The version of every module we ship: ZvDll.dll and zvfw.dll go out together.
#pragma once

#define ZV_VERSION 0, 6, 6, 7
