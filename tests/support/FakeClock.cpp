#include "support/FakeClock.h"
