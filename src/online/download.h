// Saving tracks to disk on the one worker thread.
#pragma once

void startDownload();
