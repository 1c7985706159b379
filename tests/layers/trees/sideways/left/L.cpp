#include "right/R.h"
