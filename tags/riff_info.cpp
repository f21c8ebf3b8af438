#include "riff_info.h"
