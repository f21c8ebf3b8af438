#include "mpeg_frame.h"
