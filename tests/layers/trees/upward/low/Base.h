#include "high/Top.h"
