#include "id3v2.h"
