// The system's mixers behind the CD volume's mixer interface (cd_volume_steps.h).
#pragma once

#include "cd_volume_steps.h"

zv::cdplayer::CdMixer& SystemMixer();
