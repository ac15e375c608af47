// The public calls of the music-stream library: state, handles, error numbers and the two backends.
#include "audio/audio.h"

#include "audio/device_output.h"
#include "audio/file_bytes.h"
#include "audio/mixer.h"
#include "audio/mp3_decode.h"
#include "audio/paced_output.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <utility>

namespace tessellune {

namespace {

using Clock = std::chrono::steady_clock;

constexpr uint32_t MIN_RATE = 8000;
constexpr uint32_t MAX_RATE = 192000;
// An MP3 file larger than this is not a soundtrack.
constexpr uint64_t MAX_FILE_BYTES = uint64_t(512) << 20;

struct Library {
    bool initialised = false;
    bool offline = false;
    uint32_t rate = 0;
    AudioStream nextHandle = 1;

    // Shared with the device thread.
    std::mutex lock;
    bool started = false;
    std::vector<StreamSlot> slots;
    Clock::time_point lastBlockTime{};

    // Declared last so that, should the program end without audioFree, the device threads are
    // stopped (in ~Library) before anything they touch is destroyed.
    DeviceOutput output;
    PacedOutput silentOutput; // used instead of `output` when that is silent

    ~Library();
};

// Stops the device thread, whichever backend runs it; afterwards nothing reads the streams.
void closeOutputs(Library& lib) {
    closeDeviceOutput(lib.output);
    closePacedOutput(lib.silentOutput);
    lib.output.silent = false;
}

Library::~Library() {
    closeOutputs(*this);
}

Library library;
thread_local int lastError = AUDIO_OK;

bool fail(int code) {
    lastError = code;
    return false;
}

bool succeed() {
    lastError = AUDIO_OK;
    return true;
}

// The device thread's entry: one block of output.
void fillFromDevice(void* user, int16_t* out, uint32_t frames) {
    Library& lib = *static_cast<Library*>(user);
    std::lock_guard<std::mutex> guard(lib.lock);
    mixBlock(lib.slots, out, frames);
    lib.lastBlockTime = Clock::now();
}

// The slot of a valid handle, or null with BAD_HANDLE / NOT_INITIALISED set. Caller holds the lock.
StreamSlot* findSlot(AudioStream handle) {
    if (!library.initialised) {
        fail(AUDIO_ERROR_NOT_INITIALISED);
        return nullptr;
    }
    if (handle != 0) {
        for (StreamSlot& slot : library.slots) {
            if (slot.handle == handle) {
                return &slot;
            }
        }
    }
    fail(AUDIO_ERROR_BAD_HANDLE);
    return nullptr;
}

// findSlot for the calls that take a position mode: only bytes are counted. Sets success when found.
StreamSlot* findSlotInMode(AudioStream handle, uint32_t mode) {
    StreamSlot* slot = findSlot(handle);
    if (slot != nullptr && mode != AUDIO_POS_BYTE) {
        fail(AUDIO_ERROR_BAD_PARAMETER);
        return nullptr;
    }
    if (slot != nullptr) {
        succeed();
    }
    return slot;
}

// TESSELLUNE_AUDIO_OUTPUT=silent: a machine without sound (CI, Wine without a sound server) plays
// into a silent device that still consumes the music in real time.
bool silentOutputRequested() {
    const char* choice = std::getenv("TESSELLUNE_AUDIO_OUTPUT");
    return choice != nullptr && std::strcmp(choice, "silent") == 0;
}

AudioStream nextFreeHandle() {
    AudioStream handle = library.nextHandle++;
    if (library.nextHandle == 0) {
        library.nextHandle = 1;
    }
    return handle;
}

} // namespace

bool audioInit(int device, uint32_t frequency, uint32_t flags, void* /*window*/, const void* /*classId*/) {
    if (library.initialised) {
        return fail(AUDIO_ERROR_ALREADY_INITIALISED);
    }
    if (device < AUDIO_DEVICE_DEFAULT || flags != 0 || frequency < MIN_RATE || frequency > MAX_RATE) {
        return fail(AUDIO_ERROR_BAD_PARAMETER);
    }
    if (device != AUDIO_DEVICE_OFFLINE && silentOutputRequested()) {
        library.output.silent = true;
        openPacedOutput(library.silentOutput, frequency, fillFromDevice, &library);
    } else if (device != AUDIO_DEVICE_OFFLINE) {
        const int result = openDeviceOutput(device, frequency, fillFromDevice, &library, library.output);
        if (result != AUDIO_OK) {
            return fail(result);
        }
        if (library.output.silent) {
            openPacedOutput(library.silentOutput, frequency, fillFromDevice, &library);
        }
    }
    library.offline = device == AUDIO_DEVICE_OFFLINE;
    library.rate = frequency;
    library.started = false;
    library.lastBlockTime = Clock::now();
    library.initialised = true;
    return succeed();
}

AudioStream audioStreamCreateFile(bool fromMemory, const void* file, uint64_t offset, uint64_t length,
                                  uint32_t flags) {
    if (!library.initialised) {
        fail(AUDIO_ERROR_NOT_INITIALISED);
        return 0;
    }
    if (file == nullptr || (flags & ~AUDIO_STREAM_PRESCAN) != 0 || (fromMemory && length == 0)) {
        fail(AUDIO_ERROR_BAD_PARAMETER);
        return 0;
    }
    std::vector<uint8_t> fileBytes;
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (fromMemory) {
        if (length > MAX_FILE_BYTES) {
            fail(AUDIO_ERROR_TOO_LONG);
            return 0;
        }
        data = static_cast<const uint8_t*>(file) + offset;
        size = size_t(length);
    } else {
        const int read =
            readFileRange(static_cast<const char*>(file), offset, length, MAX_FILE_BYTES, fileBytes);
        if (read != AUDIO_OK) {
            fail(read);
            return 0;
        }
        data = fileBytes.data();
        size = fileBytes.size();
    }

    StreamSlot decoded;
    const int result = decodeMp3(data, size, library.rate, (flags & AUDIO_STREAM_PRESCAN) != 0,
                                 AUDIO_MAX_STREAM_BYTES, decoded.pcm);
    if (result != AUDIO_OK) {
        fail(result);
        return 0;
    }
    decoded.handle = nextFreeHandle();
    const AudioStream handle = decoded.handle;
    {
        std::lock_guard<std::mutex> guard(library.lock);
        try {
            library.slots.push_back(std::move(decoded));
        } catch (const std::bad_alloc&) {
            fail(AUDIO_ERROR_TOO_LONG);
            return 0;
        }
    }
    succeed();
    return handle;
}

int audioErrorGetCode() {
    return lastError;
}

const char* audioErrorMessage(int code) {
    switch (code) {
    case AUDIO_OK:
        return "no error";
    case AUDIO_ERROR_NOT_INITIALISED:
        return "audio not initialised";
    case AUDIO_ERROR_ALREADY_INITIALISED:
        return "audio already initialised";
    case AUDIO_ERROR_NO_DEVICE:
        return "no audio output device";
    case AUDIO_ERROR_FILE_NOT_FOUND:
        return "file not found";
    case AUDIO_ERROR_FILE_UNREADABLE:
        return "file cannot be read";
    case AUDIO_ERROR_NOT_DECODABLE:
        return "not a complete MP3 file (truncated, corrupt, empty or another format)";
    case AUDIO_ERROR_BAD_HANDLE:
        return "invalid stream handle";
    case AUDIO_ERROR_BAD_PARAMETER:
        return "invalid parameter";
    case AUDIO_ERROR_TOO_LONG:
        return "music too long to hold in memory";
    case AUDIO_ERROR_DECODER:
        return "the MP3 decoder could not be started";
    default:
        return "unknown error";
    }
}

bool audioStart() {
    if (!library.initialised) {
        return fail(AUDIO_ERROR_NOT_INITIALISED);
    }
    {
        std::lock_guard<std::mutex> guard(library.lock);
        library.started = true;
    }
    startDeviceOutput(library.output);
    if (library.output.silent) {
        startPacedOutput(library.silentOutput);
    }
    return succeed();
}

bool audioChannelPlay(AudioStream handle, bool restart) {
    std::lock_guard<std::mutex> guard(library.lock);
    StreamSlot* slot = findSlot(handle);
    if (slot == nullptr) {
        return false;
    }
    if (restart) {
        slot->playedBytes = 0;
        slot->lastBlockBytes = 0;
        slot->reportedBytes = 0;
    }
    slot->playing = true;
    return succeed();
}

bool audioChannelPause(AudioStream handle) {
    std::lock_guard<std::mutex> guard(library.lock);
    StreamSlot* slot = findSlot(handle);
    if (slot == nullptr) {
        return false;
    }
    // What the device took but has not yet played out is dropped from the count, so the position
    // holds where the listener is and resuming plays on from that sample frame.
    if (!library.offline && slot->playing) {
        const double sinceBlock = std::chrono::duration<double>(Clock::now() - library.lastBlockTime).count();
        slot->playedBytes = smoothedPosition(*slot, sinceBlock, library.rate);
    }
    slot->lastBlockBytes = 0;
    slot->reportedBytes = slot->playedBytes;
    slot->playing = false;
    return succeed();
}

bool audioChannelSetPosition(AudioStream handle, int64_t bytes, uint32_t mode) {
    std::lock_guard<std::mutex> guard(library.lock);
    StreamSlot* slot = findSlotInMode(handle, mode);
    if (slot == nullptr) {
        return false;
    }
    if (bytes < 0 || bytes % 4 != 0 || uint64_t(bytes) > streamLengthBytes(*slot)) {
        return fail(AUDIO_ERROR_BAD_PARAMETER);
    }
    slot->playedBytes = uint64_t(bytes);
    slot->lastBlockBytes = 0;
    slot->reportedBytes = uint64_t(bytes);
    return succeed();
}

int64_t audioChannelGetPosition(AudioStream handle, uint32_t mode) {
    std::lock_guard<std::mutex> guard(library.lock);
    StreamSlot* slot = findSlotInMode(handle, mode);
    if (slot == nullptr) {
        return -1;
    }
    if (library.offline) {
        return int64_t(slot->playedBytes);
    }
    const double sinceBlock = std::chrono::duration<double>(Clock::now() - library.lastBlockTime).count();
    return int64_t(smoothedPosition(*slot, sinceBlock, library.rate));
}

int64_t audioChannelGetLength(AudioStream handle, uint32_t mode) {
    std::lock_guard<std::mutex> guard(library.lock);
    StreamSlot* slot = findSlotInMode(handle, mode);
    if (slot == nullptr) {
        return -1;
    }
    return int64_t(streamLengthBytes(*slot));
}

double audioChannelBytes2Seconds(AudioStream handle, int64_t bytes) {
    std::lock_guard<std::mutex> guard(library.lock);
    if (findSlot(handle) == nullptr) {
        return -1.0;
    }
    if (bytes < 0) {
        fail(AUDIO_ERROR_BAD_PARAMETER);
        return -1.0;
    }
    succeed();
    return double(bytes) / (double(library.rate) * 4.0);
}

bool audioUpdate(uint32_t /*length*/) {
    if (!library.initialised) {
        return fail(AUDIO_ERROR_NOT_INITIALISED);
    }
    return succeed();
}

bool audioStreamFree(AudioStream handle) {
    StreamSlot released;
    {
        std::lock_guard<std::mutex> guard(library.lock);
        StreamSlot* slot = findSlot(handle);
        if (slot == nullptr) {
            return false;
        }
        // The PCM is released outside the lock, so the device thread never waits on a free.
        released = std::move(*slot);
        *slot = std::move(library.slots.back());
        library.slots.pop_back();
    }
    return succeed();
}

bool audioFree() {
    if (!library.initialised) {
        return fail(AUDIO_ERROR_NOT_INITIALISED);
    }
    closeOutputs(library);
    std::vector<StreamSlot> released;
    {
        std::lock_guard<std::mutex> guard(library.lock);
        released.swap(library.slots);
        library.started = false;
    }
    library.initialised = false;
    library.offline = false;
    return succeed();
}

bool audioOfflineAdvance(void* out, uint32_t bytes) {
    if (!library.initialised) {
        return fail(AUDIO_ERROR_NOT_INITIALISED);
    }
    if (!library.offline || bytes % 4 != 0) {
        return fail(AUDIO_ERROR_BAD_PARAMETER);
    }
    std::lock_guard<std::mutex> guard(library.lock);
    int16_t* samples = static_cast<int16_t*>(out);
    if (!library.started) {
        // A paused output: time passes but no stream moves.
        if (samples != nullptr) {
            std::fill(samples, samples + bytes / 2, int16_t(0));
        }
        return succeed();
    }
    mixBlock(library.slots, samples, bytes / 4);
    return succeed();
}

} // namespace tessellune
