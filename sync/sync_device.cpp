// The sync device: owns the tracks and loads each one's file on its first request.
#include <cstring>
#include <new>

#include "sync/sync_track.h"
#include "sync/track_file.h"

namespace tessellune {

namespace {

std::unique_ptr<char[]> copyString(const char* text) {
    const size_t length = std::strlen(text);
    std::unique_ptr<char[]> copy(new (std::nothrow) char[length + 1]);
    if (copy) {
        std::memcpy(copy.get(), text, length + 1);
    }
    return copy;
}

// base + "_" + name + ".track" into a buffer of SYNC_MAX_PATH_LENGTH + 1 bytes; false, with
// nothing written, when the result would not fit.
bool composeTrackPath(const char* base, const char* name, char (&path)[SYNC_MAX_PATH_LENGTH + 1]) {
    static constexpr char SEPARATOR[] = "_";
    static constexpr char EXTENSION[] = ".track";
    const size_t baseLength = std::strlen(base);
    const size_t nameLength = std::strlen(name);
    const size_t length = baseLength + (sizeof SEPARATOR - 1) + nameLength + (sizeof EXTENSION - 1);
    if (baseLength > SYNC_MAX_PATH_LENGTH || nameLength > SYNC_MAX_PATH_LENGTH ||
        length > SYNC_MAX_PATH_LENGTH) {
        return false;
    }
    char* out = path;
    std::memcpy(out, base, baseLength);
    out += baseLength;
    std::memcpy(out, SEPARATOR, sizeof SEPARATOR - 1);
    out += sizeof SEPARATOR - 1;
    std::memcpy(out, name, nameLength);
    out += nameLength;
    std::memcpy(out, EXTENSION, sizeof EXTENSION); // with the terminating NUL
    return true;
}

// Grows the device's array by exactly one slot and appends track.
bool appendTrack(SyncDevice& device, std::unique_ptr<SyncTrack> track) {
    std::unique_ptr<std::unique_ptr<SyncTrack>[]> grown(
        new (std::nothrow) std::unique_ptr<SyncTrack>[device.trackCount + 1]);
    if (!grown) {
        return false;
    }
    for (int32_t i = 0; i < device.trackCount; ++i) {
        grown[i] = std::move(device.tracks[i]);
    }
    grown[device.trackCount] = std::move(track);
    device.tracks = std::move(grown);
    ++device.trackCount;
    return true;
}

} // namespace

SyncDevice* createSyncDevice(const char* basePath) {
    if (basePath == nullptr) {
        return nullptr;
    }
    std::unique_ptr<SyncDevice> device(new (std::nothrow) SyncDevice);
    if (!device) {
        return nullptr;
    }
    device->basePath = copyString(basePath);
    if (!device->basePath) {
        return nullptr;
    }
    return device.release();
}

SyncTrack* getSyncTrack(SyncDevice* device, const char* name) {
    if (device == nullptr || name == nullptr) {
        return nullptr;
    }
    for (int32_t i = 0; i < device->trackCount; ++i) {
        if (std::strcmp(device->tracks[i]->name.get(), name) == 0) {
            return device->tracks[i].get();
        }
    }

    std::unique_ptr<SyncTrack> track(new (std::nothrow) SyncTrack);
    if (!track) {
        return nullptr;
    }
    track->name = copyString(name);
    if (!track->name) {
        return nullptr;
    }
    SyncTrack* created = track.get();
    if (!appendTrack(*device, std::move(track))) {
        return nullptr;
    }
    // Whether the file loads is not the caller's concern: a failed load leaves the track empty.
    char path[SYNC_MAX_PATH_LENGTH + 1];
    if (composeTrackPath(device->basePath.get(), name, path)) {
        loadSyncTrackFile(path, *created, nullptr);
    }
    return created;
}

void destroySyncDevice(SyncDevice* device) {
    delete device; // the records own their names, keys, tracks and array
}

} // namespace tessellune
