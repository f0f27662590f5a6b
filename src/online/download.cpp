// Entry points whose behaviour is not built yet: each does nothing.
#include "online/download.h"

void startDownload() {}
