// Hand cursor over hotspots and lit pictures under the mouse.
#pragma once

bool IsCursorOverControl(int control);
void UpdateHoverFeedback(int event, int eventControl);
