// The subset of the FMOD 3 sound library the presentation uses: start the
// sound system, load a tracker module, play it, read its order and row, and
// free it again. Modules are decoded by libopenmpt and mixed at the rate
// given to FSOUND_Init in 16-bit stereo.
//
// Threads: call every function from the main thread. While a song plays on
// the sound device it is mixed on SDL's audio thread; FMUSIC_GetOrder and
// FMUSIC_GetRow then read a snapshot that the audio side publishes (the
// position being heard), never the module itself.
//
// Where the music goes is chosen before FSOUND_Init (platform/sound/
// sound_control.h): the sound device, a silent output that keeps real time,
// or an offline output rendered on demand.
#pragma once

// Error codes of FSOUND_GetError.
enum FMOD_ERRORS {
  FMOD_ERR_NONE = 0,
  FMOD_ERR_BUSY = 1,
  FMOD_ERR_UNINITIALIZED = 2,
  FMOD_ERR_INIT = 3,
  FMOD_ERR_ALLOCATED = 4,
  FMOD_ERR_PLAY = 5,
  FMOD_ERR_OUTPUT_FORMAT = 6,
  FMOD_ERR_COOPERATIVELEVEL = 7,
  FMOD_ERR_CREATEBUFFER = 8,
  FMOD_ERR_FILE_NOTFOUND = 9,
  FMOD_ERR_FILE_FORMAT = 10,
  FMOD_ERR_FILE_BAD = 11,
  FMOD_ERR_MEMORY = 12,
  FMOD_ERR_VERSION = 13,
  FMOD_ERR_INVALID_PARAM = 14,
  FMOD_ERR_NO_EAX = 15,
  FMOD_ERR_NO_EAX2 = 16,
  FMOD_ERR_CHANNEL_ALLOC = 17,
  FMOD_ERR_RECORD = 18,
  FMOD_ERR_MEDIAPLAYER = 19,
};

// A loaded song; opaque.
struct FMUSIC_MODULE;

// The library's version, 3.33.
float FSOUND_GetVersion();
// Starts the sound system. `mixrate` in Hz (4000 to 192000); the channel
// count and flags are accepted as given. False on failure (see
// FSOUND_GetError); a missing sound device is no failure: the music then
// plays silently in real time.
signed char FSOUND_Init(int mixrate, int maxSoftwareChannels, unsigned int flags);
// The code of the most recent failure; FMOD_ERR_NONE after a successful
// FSOUND_Init.
int FSOUND_GetError();
// Stops all music, frees any song still loaded and closes the output.
void FSOUND_Close();

// Loads a tracker module from a file (relative to the working directory).
// Null on failure: FMOD_ERR_FILE_NOTFOUND, FMOD_ERR_FILE_FORMAT (not a
// module), FMOD_ERR_FILE_BAD (a module that cannot be loaded),
// FMOD_ERR_MEMORY, FMOD_ERR_UNINITIALIZED (before FSOUND_Init).
FMUSIC_MODULE* FMUSIC_LoadSong(const char* name);
// Starts the song from its beginning; another song that plays stops.
signed char FMUSIC_PlaySong(FMUSIC_MODULE* module);
// The pattern order index (0 to 255) and row (0 to 255) being heard; 0 and 0
// until the song plays. -1 for a null module.
int FMUSIC_GetOrder(FMUSIC_MODULE* module);
int FMUSIC_GetRow(FMUSIC_MODULE* module);
// Stops the song if it plays and frees it.
signed char FMUSIC_FreeSong(FMUSIC_MODULE* module);
