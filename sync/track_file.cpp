// Reads sync track files and converts their little-endian fields.
#include "sync/track_file.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace tessellune {

namespace {

// Keys are read in batches through a small stack buffer, so a load needs one allocation only.
constexpr int KEYS_PER_READ = 64;

struct FileCloser {
    std::FILE* file;
    ~FileCloser() {
        if (file != nullptr) {
            std::fclose(file);
        }
    }
};

uint32_t readLittleEndian32(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void writeLittleEndian32(uint32_t word, unsigned char* bytes) {
    bytes[0] = static_cast<unsigned char>(word);
    bytes[1] = static_cast<unsigned char>(word >> 8);
    bytes[2] = static_cast<unsigned char>(word >> 16);
    bytes[3] = static_cast<unsigned char>(word >> 24);
}

// The file's size in bytes, or -1 when it cannot be told; leaves the position at offset.
int64_t fileSize(std::FILE* file, long offset) {
    if (std::fseek(file, 0, SEEK_END) != 0) {
        return -1;
    }
    const long size = std::ftell(file);
    if (std::fseek(file, offset, SEEK_SET) != 0) {
        return -1;
    }
    return size;
}

void clearKeys(SyncTrack& track) {
    track.keys.reset();
    track.keyCount = 0;
}

} // namespace

int32_t decodeSyncCount(const unsigned char bytes[SYNC_COUNT_BYTES]) {
    return static_cast<int32_t>(readLittleEndian32(bytes));
}

void encodeSyncCount(int32_t count, unsigned char bytes[SYNC_COUNT_BYTES]) {
    writeLittleEndian32(static_cast<uint32_t>(count), bytes);
}

SyncKey decodeSyncKey(const unsigned char bytes[SYNC_KEY_BYTES]) {
    SyncKey key;
    key.row = static_cast<int32_t>(readLittleEndian32(bytes));
    const uint32_t valueBits = readLittleEndian32(bytes + 4);
    std::memcpy(&key.value, &valueBits, sizeof key.value);
    key.type = static_cast<int32_t>(static_cast<int8_t>(bytes[8]));
    return key;
}

void encodeSyncKey(const SyncKey& key, unsigned char bytes[SYNC_KEY_BYTES]) {
    writeLittleEndian32(static_cast<uint32_t>(key.row), bytes);
    uint32_t valueBits;
    std::memcpy(&valueBits, &key.value, sizeof valueBits);
    writeLittleEndian32(valueBits, bytes + 4);
    bytes[8] = static_cast<unsigned char>(key.type);
}

bool loadSyncTrackFile(const char* path, SyncTrack& track, SyncFileReport* report) {
    SyncFileReport local;
    SyncFileReport& found = report != nullptr ? *report : local;
    found = SyncFileReport{};
    clearKeys(track);
    if (path == nullptr) {
        return false;
    }
    FileCloser closer{std::fopen(path, "rb")};
    if (closer.file == nullptr) {
        return false;
    }

    unsigned char countBytes[SYNC_COUNT_BYTES];
    if (std::fread(countBytes, 1, sizeof countBytes, closer.file) != sizeof countBytes) {
        found.opened = true;
        return false;
    }
    const int64_t size = fileSize(closer.file, SYNC_COUNT_BYTES);
    if (size < 0) {
        return false;
    }
    found.opened = true;
    found.countPresent = true;
    found.announcedCount = decodeSyncCount(countBytes);
    const int64_t dataBytes = size > SYNC_COUNT_BYTES ? size - SYNC_COUNT_BYTES : 0;
    found.bytesAfterKeys = dataBytes;
    if (found.announcedCount <= 0) {
        return true; // an empty track; a negative count is treated the same
    }

    // Never trust the count beyond what the file can hold: a hostile count must not turn
    // into a huge allocation.
    const int64_t wholeKeys = dataBytes / SYNC_KEY_BYTES;
    const int32_t capacity =
        static_cast<int32_t>(wholeKeys < found.announcedCount ? wholeKeys : found.announcedCount);
    if (capacity == 0) {
        return true;
    }
    std::unique_ptr<SyncKey[]> keys(new (std::nothrow) SyncKey[capacity]);
    if (!keys) {
        return false; // no count survives without an array behind it
    }

    int32_t keysRead = 0;
    unsigned char batch[KEYS_PER_READ * SYNC_KEY_BYTES];
    while (keysRead < capacity) {
        const int32_t wanted = capacity - keysRead < KEYS_PER_READ ? capacity - keysRead : KEYS_PER_READ;
        const size_t got = std::fread(batch, SYNC_KEY_BYTES, static_cast<size_t>(wanted), closer.file);
        for (size_t k = 0; k < got; ++k) {
            keys[keysRead + static_cast<int32_t>(k)] = decodeSyncKey(batch + k * SYNC_KEY_BYTES);
        }
        keysRead += static_cast<int32_t>(got);
        if (static_cast<int32_t>(got) < wanted) {
            break; // the file shrank while we read it: keep the whole keys we have
        }
    }
    found.keysRead = keysRead;
    found.bytesAfterKeys = dataBytes - static_cast<int64_t>(keysRead) * SYNC_KEY_BYTES;
    if (keysRead > 0) {
        track.keys = std::move(keys);
        track.keyCount = keysRead;
    }
    return true;
}

} // namespace tessellune
