// The music-stream library: decodes an MP3 soundtrack completely up front and plays it through the
// default output device, reporting an exact play position that the demo uses as its clock.
//
// Conventions:
// - Calls are made from one thread (the main thread). Output runs on a thread of its own that
//   these calls synchronise with internally.
// - Every stream holds 16-bit signed stereo PCM, interleaved left/right, at the rate given to
//   audioInit. One "frame" of PCM is 4 bytes; positions and lengths are in bytes and always a
//   multiple of 4. Byte 0 is the first real sample of the music: the encoder's delay and padding
//   are removed, so a file encoded from N samples plays exactly N frames (scaled by the rate
//   change if the file's rate differs from the output rate).
// - Failures are reported by result (false, 0, -1 or a negative number of seconds) and the reason
//   by audioErrorGetCode(), which every call sets (AUDIO_OK on success). Nothing throws.
// - Two backends sit behind the same calls, chosen by audioInit's device argument:
//   device -1 (or n >= 1) plays through a real output device; device 0 (AUDIO_DEVICE_OFFLINE)
//   opens no device at all and the caller pulls the output with audioOfflineAdvance, which is
//   what makes the position advance. Offline runs are deterministic: capture tools and tests.
// - With TESSELLUNE_AUDIO_OUTPUT=silent in the environment (any platform), or SDL_AUDIODRIVER=dummy
//   on the SDL2 platforms, a machine without sound hardware still gets a device that consumes
//   samples in real time, so the position follows the wall clock. Without either, such a machine
//   has no device and audioInit fails with NO_DEVICE.
#pragma once

#include <cstdint>

namespace tessellune {

// A stream handle; 0 is never a valid stream.
using AudioStream = uint32_t;

// Error numbers reported by audioErrorGetCode().
enum AudioError : int {
    AUDIO_OK = 0,
    AUDIO_ERROR_NOT_INITIALISED = 1,     // audioInit has not succeeded (or audioFree was called)
    AUDIO_ERROR_ALREADY_INITIALISED = 2, // audioInit called twice without audioFree
    AUDIO_ERROR_NO_DEVICE = 3,           // no output device could be opened
    AUDIO_ERROR_FILE_NOT_FOUND = 4,      // the file does not exist
    AUDIO_ERROR_FILE_UNREADABLE = 5,     // it exists but cannot be read (permissions, a directory...)
    AUDIO_ERROR_NOT_DECODABLE = 6,       // not an MP3, or truncated, corrupt or empty
    AUDIO_ERROR_BAD_HANDLE = 7,          // the stream handle is not (or no longer) valid
    AUDIO_ERROR_BAD_PARAMETER = 8,       // an argument is out of range (flags, mode, rate, sizes)
    AUDIO_ERROR_TOO_LONG = 9,            // the decoded music would exceed AUDIO_MAX_STREAM_BYTES
    AUDIO_ERROR_DECODER = 10,            // the decoder itself could not be set up
};

// audioInit's device argument.
constexpr int AUDIO_DEVICE_DEFAULT = -1; // the system's default output
constexpr int AUDIO_DEVICE_OFFLINE = 0;  // no output device; audioOfflineAdvance drives playback
// n >= 1 selects the n-th output device the platform lists.

// audioStreamCreateFile flags.
// Scan the whole file before decoding it: the frame count is then known up front, so the PCM is
// allocated once and a file whose tag promises more frames than it holds is rejected early.
// Positions are exact with or without it, because streams are always decoded completely.
constexpr uint32_t AUDIO_STREAM_PRESCAN = 0x20000;

// audioChannelGetPosition / audioChannelGetLength modes.
constexpr uint32_t AUDIO_POS_BYTE = 0;

// The largest decoded stream accepted: about 1 h 41 min at 44100 Hz.
constexpr uint64_t AUDIO_MAX_STREAM_BYTES = uint64_t(1) << 30;

// Opens the output. device: AUDIO_DEVICE_DEFAULT, AUDIO_DEVICE_OFFLINE or n >= 1. frequency: the
// output rate in Hz (8000..192000); every stream is converted to it. flags must be 0. window and
// classId are accepted for compatibility and unused. The device starts paused: nothing is heard
// until audioStart. Fails with NO_DEVICE when no output can be opened (for example on a machine
// without sound hardware and without a silent output chosen, see above).
bool audioInit(int device, uint32_t frequency, uint32_t flags, void* window, const void* classId);

// Creates a stream from an MP3 and decodes all of it. fromMemory false: file is a nul-terminated
// path; offset is where the MP3 starts in the file and length its size in bytes (0: to the end).
// fromMemory true: file points at the MP3 data, offset is added to it and length (> 0) is its size;
// the data is not kept after the call. flags: 0 or AUDIO_STREAM_PRESCAN. Returns the handle, or 0.
AudioStream audioStreamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                  uint32_t flags);

// The error number of the last call made on this thread.
int audioErrorGetCode();

// A short English description of an error number, for messages ("file not found").
const char* audioErrorMessage(int code);

// Starts (or resumes) the output device. Streams that are playing advance from here on.
bool audioStart();

// Plays a stream. restart true: from its beginning; false: from where it was (the beginning for
// a new stream). The position counts bytes handed to the output since then.
bool audioChannelPlay(AudioStream handle, bool restart);

// Stops a stream where it is: its position holds (at what has been played out, on a real
// device) until audioChannelPlay(handle, false) resumes it from exactly there.
bool audioChannelPause(AudioStream handle);

// Moves a stream's play position to `bytes` (mode AUDIO_POS_BYTE; a multiple of 4, at most the
// length), playing or not: the next output block starts with that sample frame, and the position
// reads exactly `bytes` until then. The one call that moves the position backwards.
bool audioChannelSetPosition(AudioStream handle, int64_t bytes, uint32_t mode);

// The play position in bytes (mode AUDIO_POS_BYTE), or -1. It never decreases while the stream
// plays, and stops at the stream's length when the music ends. On a real device it is the bytes
// handed to the device, with the most recent block counted in as the wall clock plays it out, so
// that successive frames see a smoothly growing position rather than block-sized steps.
int64_t audioChannelGetPosition(AudioStream handle, uint32_t mode);

// The stream's whole length in bytes (mode AUDIO_POS_BYTE), or -1.
int64_t audioChannelGetLength(AudioStream handle, uint32_t mode);

// Converts a byte position of the stream to seconds: bytes / (rate * 4). -1.0 on failure.
double audioChannelBytes2Seconds(AudioStream handle, int64_t bytes);

// Keeps the output fed. Streams are decoded at creation, so there is nothing left to do; the call
// only checks that the library is initialised. length is ignored.
bool audioUpdate(uint32_t length);

// Stops and releases a stream; its handle becomes invalid.
bool audioStreamFree(AudioStream handle);

// Releases every stream and closes the output. audioInit may be called again afterwards.
bool audioFree();

// Offline backend only: the output consumes the next `bytes` (a multiple of 4), exactly as a
// device would: every playing stream advances by that much (or to its end) and the mix of them is
// written to out as 16-bit stereo frames (out may be null to discard it). Before audioStart the
// output is paused: silence is written and nothing advances. Fails with BAD_PARAMETER when the
// library was opened on a real device.
bool audioOfflineAdvance(void* out, uint32_t bytes);

} // namespace tessellune
