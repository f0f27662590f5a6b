// Saving tracks to disk on the one worker thread.
#pragma once

// RecordButton, left click (UI thread): warns "Программа занята!\nИдет
// запись!" while a worker runs; otherwise starts a detached worker that saves
// the selected search result, or every playlist entry, as "title.mp3" in the
// working directory (or the folder KESTREL_SAVE_DIR names, see
// save_folder.h), and returns at once.
void startDownload();

// True from startDownload until the worker has ended (its last message box
// closed). Any thread.
bool downloadRunning();

// At exit (UI thread): the running worker is not waited for, and the file it
// was writing is removed, so that no half-saved track is left behind.
void abandonDownload();
