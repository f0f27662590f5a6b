/* libkestrel-audio: the audio library the player maps at start-up.
 *
 * Exactly these 14 functions are exported, with C linkage, and two of our
 * own (KESTREL_Channel_GetTitle, KESTREL_System_GetOutput), which a player
 * may do without. Handles are
 * opaque pointers; flags and booleans are 32-bit ints; every function
 * returns 0 on success and a non-zero code on failure. Every function is
 * safe with null handles and with handles of sounds or channels that are no
 * longer current: it then returns an error and does nothing else.
 *
 * All functions are called from one thread (the player's UI thread); the
 * library runs its decoder and output threads internally.
 */
#ifndef KESTREL_AUDIO_H
#define KESTREL_AUDIO_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct FMOD_SYSTEM FMOD_SYSTEM;
typedef struct FMOD_SOUND FMOD_SOUND;
typedef struct FMOD_CHANNEL FMOD_CHANNEL;

enum {
    KESTREL_AUDIO_OK = 0,
    KESTREL_AUDIO_ERR_INVALID_HANDLE = 1,
    KESTREL_AUDIO_ERR_INVALID_PARAM = 2,
    KESTREL_AUDIO_ERR_FILE_NOT_FOUND = 3,
    KESTREL_AUDIO_ERR_FORMAT = 4,
    KESTREL_AUDIO_ERR_NET = 5,
    KESTREL_AUDIO_ERR_TIMEOUT = 6,
    KESTREL_AUDIO_ERR_OUTPUT = 7,
    KESTREL_AUDIO_ERR_MEMORY = 8,
    KESTREL_AUDIO_ERR_UNSUPPORTED = 9,
    KESTREL_AUDIO_ERR_UNINITIALIZED = 10 /* the system is not initialised, or closed */
};

/* Mode bit accepted by FMOD_System_CreateStream (software mixing); other bits are ignored. */
#define KESTREL_AUDIO_MODE_SOFTWARE 0x40
/* Time unit of FMOD_Channel_GetPosition / SetPosition: milliseconds. */
#define KESTREL_AUDIO_TIMEUNIT_MS 1

int FMOD_System_Create(FMOD_SYSTEM** system);
int FMOD_System_Init(FMOD_SYSTEM* system, int maxChannels, unsigned int flags, void* extraDriverData);
/* name: a UTF-8 local path or an http/https address. A local file is read
 * up to its first audio before the call returns (a failure is returned); a
 * MIDI file whose events do not parse before its end is a format error, and
 * one of more than 100,000 events is refused as unsupported. An address
 * returns at once with a sound that is opening: a channel that plays it
 * starts when its first audio is buffered (about 100 ms of it); meanwhile it
 * is playing, silent, at position 0; if the open fails (10 s at most) the
 * channel stops. A live stream's leading digital silence (the decoder's,
 * joined mid-stream; up to 0.1 s) is not played. A network stream that
 * drops or stalls for 5 s is reopened on the same address (after 0.5, 1, 2,
 * 4, 8 s; a file of known length resumes where it stopped) and plays silence
 * meanwhile; 20 s after the drop, if still unmended, the channel stops. A
 * 4xx answer or a format error is not retried. On failure *sound is set to
 * null. */
int FMOD_System_CreateStream(FMOD_SYSTEM* system, const char* name, unsigned int mode, void* exinfo,
                             FMOD_SOUND** sound);
/* Channel index 0 replaces whatever plays on the one channel, at once (-1 is
 * taken as 0). The new channel starts at the volume of the one it replaces
 * (1.0 for the first), so no loud buffer slips out before SetVolume. With a
 * sound handle that is null or released the channel is emptied, *channel is
 * set to null and an error returned: after a failed open nothing plays. */
int FMOD_System_PlaySound(FMOD_SYSTEM* system, int channelIndex, FMOD_SOUND* sound, int paused,
                          FMOD_CHANNEL** channel);
int FMOD_Channel_SetVolume(FMOD_CHANNEL* channel, float volume);
int FMOD_Channel_GetVolume(FMOD_CHANNEL* channel, float* volume);
/* 512 magnitudes of a 1024-point FFT (rectangular window) over the latest
 * mixed mono samples, lowest frequency first; a full-scale sine gives ~1.0. */
int FMOD_Channel_GetSpectrum(FMOD_CHANNEL* channel, float* spectrum, int numValues, int channelOffset,
                             int windowType);
int FMOD_Channel_GetPosition(FMOD_CHANNEL* channel, unsigned int* position, unsigned int timeUnit);
int FMOD_Channel_SetPosition(FMOD_CHANNEL* channel, unsigned int position, unsigned int timeUnit);
/* *isPlaying: non-zero while the channel plays, paused or not, also while its
 * address opens or reconnects; 0 at the end, after a broken stream that
 * could not be reopened, after a failed open, and for a null channel. A
 * local file whose decoding has given nothing for 5 s while the channel
 * played it (not paused, no seek under way) has failed too: 0, for good. */
int FMOD_Channel_IsPlaying(FMOD_CHANNEL* channel, int* isPlaying);
int FMOD_Channel_SetPaused(FMOD_CHANNEL* channel, int paused);
/* Stops the sound (emptying the channel if it plays there) and frees it; its
 * handle and its channel's handle are invalid afterwards. Returns at once,
 * also while the sound's address is still opening. */
int FMOD_Sound_Release(FMOD_SOUND* sound);
/* Stops the output and releases every sound of the system. */
int FMOD_System_Close(FMOD_SYSTEM* system);
int FMOD_System_Release(FMOD_SYSTEM* system);

/* Our own: the now-playing title of the radio stream on `channel` (its ICY
 * StreamTitle, decoded as UTF-8 when valid, else as Windows-1251; numeric and
 * common named HTML entities decoded; control characters as spaces; at most
 * 512 bytes), written as UTF-8 into `title`,
 * cut at a character boundary to fit `size` bytes with its terminating NUL;
 * "" when the stream has none. */
int KESTREL_Channel_GetTitle(FMOD_CHANNEL* channel, char* title, int size);

/* Where the system's sound goes, for KESTREL_System_GetOutput. */
enum {
    KESTREL_AUDIO_OUTPUT_UNKNOWN = 0, /* no output open: before the first sound, after a long silence */
    KESTREL_AUDIO_OUTPUT_DEVICE = 1,  /* a sound device */
    KESTREL_AUDIO_OUTPUT_FILE = 2,    /* the WAV file KESTREL_AUDIO_WAV names */
    KESTREL_AUDIO_OUTPUT_NONE = 3     /* nowhere, at real-time pace: no device could be opened */
};

/* Our own: where the sound of `system` goes now, into *output. The device
 * is opened on a thread of the library after a sound is played, so the
 * answer is UNKNOWN until that open has ended (a few ms, or as long as the
 * sound system takes to refuse). Never blocks on the device. */
int KESTREL_System_GetOutput(FMOD_SYSTEM* system, int* output);

#ifdef __cplusplus
}
#endif

#endif
