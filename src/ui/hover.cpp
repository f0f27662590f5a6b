// Entry points whose behaviour is not built yet: each does nothing.
#include "ui/hover.h"

bool IsCursorOverControl(int) { return false; }
void UpdateHoverFeedback(int, int) {}
