// Entry points whose behaviour is not built yet: each does nothing.
#include "audio/display_refresh.h"

void refreshDisplay() {}
