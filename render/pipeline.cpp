// The pipeline's buffers, the append protocol with its capacity guard, lights and statistics.
#include "render/pipeline.h"

#include <cstdio>
#include <new>

#include "render/derived_state.h"

namespace tessellune {

namespace {

// Raw storage aligned to at least 16 bytes (or the record's own, larger alignment) from the aligned
// forms of operator new, which every C++17 platform has (aligned_alloc is missing from the Windows
// runtime); constructed by the caller.
template <typename T>
constexpr std::align_val_t bufferAlignment() {
    return std::align_val_t{alignof(T) > 16 ? alignof(T) : 16};
}

template <typename T>
T* allocateAligned(int32_t count) {
    return static_cast<T*>(
        ::operator new[](sizeof(T) * static_cast<size_t>(count), bufferAlignment<T>(), std::nothrow));
}

template <typename T>
void releaseAligned(T* buffer) {
    if (buffer != nullptr) {
        ::operator delete[](static_cast<void*>(buffer), bufferAlignment<T>());
    }
}

void printBufferLine(const char* format, int32_t peak, int32_t capacity) {
    const float percent = static_cast<float>(peak) / static_cast<float>(capacity) * 100.0f;
    std::printf(format, peak, capacity, static_cast<double>(percent));
}

} // namespace

namespace {

bool allocatePipeline(RenderPipeline& pipeline, const TextureStore* textures, int32_t capacity) {
    pipeline = RenderPipeline{};
    pipeline.vertexCapacity = capacity;
    pipeline.texcoordCapacity = capacity;
    pipeline.faceCapacity = capacity;
    pipeline.normalCapacity = capacity;
    pipeline.textures = textures;

    pipeline.vertices = allocateAligned<PipelineVertex>(pipeline.vertexCapacity);
    pipeline.faces = allocateAligned<PipelineFace>(pipeline.faceCapacity);
    pipeline.texcoords = allocateAligned<TexCoord>(pipeline.texcoordCapacity);
    pipeline.normals = allocateAligned<PipelineNormal>(pipeline.normalCapacity);
    pipeline.faceOrder = allocateAligned<int32_t>(pipeline.faceCapacity);
    pipeline.scratchOrder = allocateAligned<int32_t>(pipeline.faceCapacity);
    pipeline.depthKeys = allocateAligned<int32_t>(pipeline.faceCapacity);
    pipeline.sortKeys = allocateAligned<int32_t>(pipeline.faceCapacity);
    pipeline.scratchKeys = allocateAligned<int32_t>(pipeline.faceCapacity);
    pipeline.bandFaces = allocateAligned<BandFace>(pipeline.faceCapacity);
    pipeline.faceRows = allocateAligned<FaceRows>(pipeline.faceCapacity);
    pipeline.orderedRows = allocateAligned<FaceRows>(pipeline.faceCapacity);
    pipeline.lightCache = allocateAligned<LightCacheEntry>(LIGHT_CACHE_BANDS * LIGHT_CACHE_ENTRIES);
    if (!pipeline.vertices || !pipeline.faces || !pipeline.texcoords || !pipeline.normals ||
        !pipeline.faceOrder || !pipeline.scratchOrder || !pipeline.depthKeys || !pipeline.sortKeys ||
        !pipeline.scratchKeys || !pipeline.bandFaces || !pipeline.faceRows || !pipeline.orderedRows ||
        !pipeline.lightCache) {
        destroyPipeline(pipeline);
        return false;
    }
    for (int32_t i = 0; i < pipeline.vertexCapacity; ++i) {
        new (&pipeline.vertices[i]) PipelineVertex{};
    }
    for (int32_t i = 0; i < pipeline.faceCapacity; ++i) {
        new (&pipeline.faces[i]) PipelineFace{};
    }
    for (int32_t i = 0; i < pipeline.texcoordCapacity; ++i) {
        new (&pipeline.texcoords[i]) TexCoord{};
    }
    for (int32_t i = 0; i < pipeline.normalCapacity; ++i) {
        new (&pipeline.normals[i]) PipelineNormal{};
    }
    for (int32_t i = 0; i < pipeline.faceCapacity; ++i) {
        new (&pipeline.bandFaces[i]) BandFace{};
    }
    for (int32_t i = 0; i < LIGHT_CACHE_BANDS * LIGHT_CACHE_ENTRIES; ++i) {
        new (&pipeline.lightCache[i]) LightCacheEntry{};
    }
    return true;
}

} // namespace

bool createStagingPipeline(RenderPipeline& pipeline, int32_t capacity) {
    return capacity > 0 && allocatePipeline(pipeline, nullptr, capacity);
}

bool createPipeline(RenderPipeline& pipeline, const TextureStore* textures) {
    if (!allocatePipeline(pipeline, textures, PIPELINE_CAPACITY)) {
        return false;
    }

    // The report's figure: 16-byte units in 32-bit unsigned arithmetic, the unit and width of the
    // program's start-up line ("new pipeline uses"), which people compare between machines.
    const uint32_t bytes = 16u * (4u * static_cast<uint32_t>(pipeline.vertexCapacity) +
                                  14u * static_cast<uint32_t>(pipeline.faceCapacity) +
                                  static_cast<uint32_t>(pipeline.normalCapacity) +
                                  static_cast<uint32_t>(pipeline.texcoordCapacity));
    std::printf("new pipeline uses: %11.2f MB\n", static_cast<double>(bytes) * (1.0 / 1024) * (1.0 / 1024));
    return true;
}

void destroyPipeline(RenderPipeline& pipeline) {
    releaseAligned(pipeline.vertices);
    releaseAligned(pipeline.faces);
    releaseAligned(pipeline.texcoords);
    releaseAligned(pipeline.normals);
    releaseAligned(pipeline.faceOrder);
    releaseAligned(pipeline.scratchOrder);
    releaseAligned(pipeline.depthKeys);
    releaseAligned(pipeline.sortKeys);
    releaseAligned(pipeline.scratchKeys);
    releaseAligned(pipeline.bandFaces);
    releaseAligned(pipeline.faceRows);
    releaseAligned(pipeline.orderedRows);
    releaseAligned(pipeline.lightCache);
    pipeline = RenderPipeline{};
}

void beginScene(RenderPipeline& pipeline) {
    pipeline.vertexBase = 0;
    pipeline.texcoordBase = 0;
    pipeline.faceCount = 0;
    pipeline.normalBase = 0;
    pipeline.lightCount = 0;
    pipeline.facesOrdered = false;
    pipeline.verticesProjected = false;
    pipeline.records.clear();
}

bool checkPassReady(RenderPipeline& pipeline) {
    if (passIsReady(pipeline)) {
        if constexpr (DERIVED_STATE_CHECKS) {
            failOnStaleCopy(staleBandFaces(pipeline));
            failOnStaleCopy(staleFaceRows(pipeline));
        }
        return true;
    }
    if (pipeline.refusedPasses++ == 0) {
        std::fprintf(stderr,
                     "renderer: a pass reached the bands before its faces were ordered and its vertices "
                     "projected (%s); it draws nothing\n",
                     !pipeline.records.empty() ? "its recorded submissions never ran"
                     : pipeline.facesOrdered   ? "projectVertices missing"
                                               : "sortFacesByDepth missing");
    }
    return false;
}

bool addLight(RenderPipeline& pipeline, const Light* light) {
    if (pipeline.lightCount >= MAX_LIGHTS || light == nullptr) {
        ++pipeline.refusedLights;
        return false;
    }
    pipeline.lights[pipeline.lightCount++] = light;
    return true;
}

void recordPeaks(RenderPipeline& pipeline) {
    if (pipeline.vertexBase > pipeline.peakVertices) {
        pipeline.peakVertices = pipeline.vertexBase;
    }
    if (pipeline.faceCount > pipeline.peakFaces) {
        pipeline.peakFaces = pipeline.faceCount;
    }
    if (pipeline.texcoordBase > pipeline.peakTexcoords) {
        pipeline.peakTexcoords = pipeline.texcoordBase;
    }
    if (pipeline.normalBase > pipeline.peakNormals) {
        pipeline.peakNormals = pipeline.normalBase;
    }
}

void printStatistics(const RenderPipeline& pipeline) {
    std::printf("-[ pipeline statistics ]----------------\n");
    printBufferLine(" vertices: % 8d / % 8d, %4.0f%%\n", pipeline.peakVertices, pipeline.vertexCapacity);
    printBufferLine("    faces: % 8d / % 8d, %4.0f%%\n", pipeline.peakFaces, pipeline.faceCapacity);
    printBufferLine("texcoords: % 8d / % 8d, %4.0f%%\n", pipeline.peakTexcoords, pipeline.texcoordCapacity);
    printBufferLine("  normals: % 8d / % 8d, %4.0f%%\n", pipeline.peakNormals, pipeline.normalCapacity);
    if (pipeline.refusedSubmissions > 0 || pipeline.refusedLights > 0) {
        // Only a scene that outgrows the fixed budget shows this line.
        std::printf("  refused: % 8d submissions, %d lights\n", pipeline.refusedSubmissions,
                    pipeline.refusedLights);
    }
    std::printf("\n");
}

void openSubmission(RenderPipeline& pipeline) {
    pipeline.verticesAdded = 0;
    pipeline.normalsAdded = 0;
    pipeline.texcoordsAdded = 0;
    pipeline.submissionFaceStart = pipeline.faceCount;
    pipeline.submissionOverflowed = false;
    pipeline.planesKnownEnd = pipeline.vertexBase;
}

namespace {

int32_t reserve(RenderPipeline& pipeline, int32_t base, int32_t& added, int32_t capacity, int32_t count) {
    if (pipeline.submissionOverflowed || count < 0 || count > capacity - base - added) {
        pipeline.submissionOverflowed = true;
        return -1;
    }
    const int32_t first = base + added;
    added += count;
    return first;
}

} // namespace

int32_t reserveVertices(RenderPipeline& pipeline, int32_t count) {
    return reserve(pipeline, pipeline.vertexBase, pipeline.verticesAdded, pipeline.vertexCapacity, count);
}

int32_t reserveNormals(RenderPipeline& pipeline, int32_t count) {
    return reserve(pipeline, pipeline.normalBase, pipeline.normalsAdded, pipeline.normalCapacity, count);
}

int32_t reserveTexcoords(RenderPipeline& pipeline, int32_t count) {
    return reserve(pipeline, pipeline.texcoordBase, pipeline.texcoordsAdded, pipeline.texcoordCapacity,
                   count);
}

bool commitSubmission(RenderPipeline& pipeline) {
    pipeline.planesKnownEnd = pipeline.vertexBase;
    pipeline.facesOrdered = false;
    pipeline.verticesProjected = false;
    if (pipeline.submissionOverflowed) {
        pipeline.faceCount = pipeline.submissionFaceStart;
        pipeline.verticesAdded = 0;
        pipeline.normalsAdded = 0;
        pipeline.texcoordsAdded = 0;
        pipeline.submissionOverflowed = false;
        ++pipeline.refusedSubmissions;
        return false;
    }
    pipeline.vertexBase += pipeline.verticesAdded;
    pipeline.texcoordBase += pipeline.texcoordsAdded;
    pipeline.normalBase += pipeline.normalsAdded;
    return true;
}

} // namespace tessellune
