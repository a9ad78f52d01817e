#include "framework/rtf/Rtf.h"
