// The front end on the pool: chunks of a pass's records staged by the workers and laid down in order.
#include "workers/front_end.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "math/simd.h"
#include "render/mesh.h"
#include "render/submit.h"

namespace tessellune {

namespace {

// What a record is likely to add, in faces: how the records are cut into chunks.
int64_t estimatedFaces(const SubmissionRecord& r) {
    switch (r.kind) {
    case SubmissionKind::Mesh:
        return static_cast<int64_t>(r.mesh->faces.size()) + 1;
    case SubmissionKind::Cube:
        return 12;
    case SubmissionKind::Quad:
    case SubmissionKind::Ground:
        return 2;
    }
    return 1;
}

// A mesh large enough to be shared by ranges rather than run by one worker.
bool large(const SubmissionRecord& r) {
    return r.kind == SubmissionKind::Mesh &&
           static_cast<int64_t>(r.mesh->faces.size()) >= FRONT_END_LARGE_MESH;
}

// Staging indices start here, so that no index moved into place is -1, the "no normal" mark a
// stored corner keeps wherever it lands.
constexpr int32_t STAGING_BASE = 1;

// Spins before a waiting worker gives its processor away: the chunk before is usually a few
// microseconds from done, but with more workers than processors its worker may need this one.
constexpr int32_t SPINS_BEFORE_YIELD = 256;

void useOwnBuffers(FrontEnd& fe, uint32_t w) {
    RenderPipeline& s = fe.staging[w];
    const StagingBuffers& own = fe.own[w];
    s.vertices = own.vertices;
    s.texcoords = own.texcoords;
    s.normals = own.normals;
    s.faces = own.faces;
    s.bandFaces = own.bandFaces;
    s.vertexCapacity = s.texcoordCapacity = s.normalCapacity = s.faceCapacity = own.capacity;
    beginScene(s);
    s.vertexBase = s.normalBase = s.texcoordBase = STAGING_BASE;
    s.planesKnownEnd = STAGING_BASE;
    s.refusedSubmissions = 0;
    s.submissionOverflowed = false;
}

// Room for `chunks` chunks, none placed yet.
void prepareChunks(FrontEnd& fe, size_t chunks) {
    fe.chunkStart.resize(chunks + 1);
    fe.chunkEnd.resize(chunks);
    if (fe.placedCount < chunks) {
        fe.placed = std::make_unique<std::atomic<int32_t>[]>(chunks);
        fe.placedCount = chunks;
    }
    for (size_t c = 0; c < chunks; ++c) {
        fe.placed[c].store(0, std::memory_order_relaxed);
    }
}

struct Chain {
    FrontEnd* fe = nullptr;
    RenderPipeline* pipeline = nullptr;
    int32_t chunks = 0;
    std::atomic<int32_t> next{0};
    ChunkEnd start; // the pass before chunk 0
    // A shared mesh's faces, when the chain runs one.
    const SubmissionRecord* mesh = nullptr;
    MeshSlots slots;
    uint32_t parts = 0;
};

// The pass as chunk c finds it, once the chunk before is placed.
ChunkEnd waitForChunkBefore(Chain& chain, int32_t c) {
    if (c == 0) {
        return chain.start;
    }
    const std::atomic<int32_t>& flag = chain.fe->placed[static_cast<size_t>(c - 1)];
    for (int32_t spins = 0; flag.load(std::memory_order_acquire) == 0; ++spins) {
        if (spins < SPINS_BEFORE_YIELD) {
#if TESSELLUNE_SSE
            _mm_pause();
#endif
        } else {
            std::this_thread::yield();
        }
    }
    return chain.fe->chunkEnd[static_cast<size_t>(c - 1)];
}

void publish(Chain& chain, int32_t c, const ChunkEnd& end) {
    chain.fe->chunkEnd[static_cast<size_t>(c)] = end;
    chain.fe->placed[static_cast<size_t>(c)].store(1, std::memory_order_release);
}

// A staged triangle into the pass, its indices moved. Its band record holds all of its corners;
// each moved index goes from a register to both records, as a store writes them (moving them in a
// copy of the record and copying that on made the copy's wide loads wait for the narrow stores).
inline void layDownTriangle(const PipelineFace& from, const BandFace& staged, PipelineFace& to,
                            BandFace& band, int32_t dv, int32_t dt, int32_t dn) {
    int32_t vertex[3], texcoord[3], normal[3];
    for (int32_t c = 0; c < 3; ++c) {
        vertex[c] = staged.vertex[c] + dv;
        texcoord[c] = staged.texcoord[c] + dt;
        normal[c] = staged.normalIndex[c] == -1 ? -1 : staged.normalIndex[c] + dn;
    }
    for (int32_t c = 0; c < 3; ++c) {
        storeCorner(to, band, c, vertex[c], texcoord[c], normal[c]);
    }
    noteFace(band, staged.normal, 3, staged.material);
    to.normal = staged.normal;
    to.cornerCount = 3;
    to.facing = from.facing;
    to.material = staged.material;
    to.carried = from.carried;
}

// One submission's staged output into the pass where it was placed, each stored index moved by as
// much as its buffer's entries moved.
void layDown(RenderPipeline& p, const RenderPipeline& s, const StagedSubmission& st) {
    std::memcpy(static_cast<void*>(p.vertices + st.finalVertex), s.vertices + st.vertex,
                sizeof(PipelineVertex) * static_cast<size_t>(st.vertexCount));
    std::memcpy(static_cast<void*>(p.normals + st.finalNormal), s.normals + st.normal,
                sizeof(PipelineNormal) * static_cast<size_t>(st.normalCount));
    std::memcpy(static_cast<void*>(p.texcoords + st.finalTexcoord), s.texcoords + st.texcoord,
                sizeof(TexCoord) * static_cast<size_t>(st.texcoordCount));
    const int32_t dv = st.finalVertex - st.vertex;
    const int32_t dn = st.finalNormal - st.normal;
    const int32_t dt = st.finalTexcoord - st.texcoord;
    for (int32_t k = 0; k < st.faceCount; ++k) {
        const PipelineFace& from = s.faces[st.face + k];
        PipelineFace& to = p.faces[st.finalFace + k];
        if (from.cornerCount == 3) {
            layDownTriangle(from, s.bandFaces[st.face + k], to, p.bandFaces[st.finalFace + k], dv, dt, dn);
            continue;
        }
        const int32_t corners = std::clamp(from.cornerCount, 0, MAX_FACE_CORNERS);
        // The rare other faces: the band record as staged (a short face's spare slots included),
        // then every corner moved into both records as a store writes them.
        BandFace& band = p.bandFaces[st.finalFace + k];
        band = s.bandFaces[st.face + k];
        to.normal = from.normal;
        for (int32_t c = 0; c < corners; ++c) {
            storeCorner(to, band, c, from.vertex[c] + dv, from.texcoord[c] + dt,
                        from.normalIndex[c] == -1 ? -1 : from.normalIndex[c] + dn);
        }
        to.cornerCount = from.cornerCount;
        to.facing = from.facing;
        to.material = from.material;
        to.carried = from.carried;
    }
}

// Records: each chunk runs into the worker's staging pipeline, then is placed with the one-thread
// path's refusals (a submission that would overflow any buffer from where the previous one left
// the pass is refused whole) and laid down.
void runRecordChunks(int32_t w, int32_t, void* data) {
    Chain& chain = *static_cast<Chain*>(data);
    FrontEnd& fe = *chain.fe;
    RenderPipeline& p = *chain.pipeline;
    const auto worker = static_cast<uint32_t>(w);
    const RenderPipeline& s = fe.staging[worker];
    for (int32_t c = chain.next.fetch_add(1); c < chain.chunks; c = chain.next.fetch_add(1)) {
        const int32_t first = fe.chunkStart[static_cast<size_t>(c)];
        const int32_t end = fe.chunkStart[static_cast<size_t>(c) + 1];
        useOwnBuffers(fe, worker);
        RenderPipeline& staging = fe.staging[worker];
        for (int32_t i = first; i < end; ++i) {
            StagedSubmission& out = fe.staged[static_cast<size_t>(i)];
            out = StagedSubmission{staging.vertexBase,
                                   0,
                                   staging.normalBase,
                                   0,
                                   staging.texcoordBase,
                                   0,
                                   staging.faceCount,
                                   0,
                                   false};
            const int32_t refused = staging.refusedSubmissions;
            runSubmissionRecord(staging, p.records[static_cast<size_t>(i)]);
            out.stagingFull = staging.refusedSubmissions != refused;
            out.vertexCount = staging.vertexBase - out.vertex;
            out.normalCount = staging.normalBase - out.normal;
            out.texcoordCount = staging.texcoordBase - out.texcoord;
            out.faceCount = staging.faceCount - out.face;
        }
        // Placed first and published at once, so that the next chunk's worker need not wait for
        // this one's copying; then laid down.
        ChunkEnd at = waitForChunkBefore(chain, c);
        int32_t placedEnd = first;
        for (; placedEnd < end && !at.broken; ++placedEnd) {
            StagedSubmission& st = fe.staged[static_cast<size_t>(placedEnd)];
            if (st.stagingFull) {
                at.broken = true;
                at.brokenAt = placedEnd;
                break;
            }
            st.accepted = st.vertexCount <= p.vertexCapacity - at.vertex &&
                          st.normalCount <= p.normalCapacity - at.normal &&
                          st.texcoordCount <= p.texcoordCapacity - at.texcoord &&
                          st.faceCount <= p.faceCapacity - at.face;
            if (!st.accepted) {
                ++at.refused;
                continue;
            }
            st.finalVertex = at.vertex;
            st.finalNormal = at.normal;
            st.finalTexcoord = at.texcoord;
            st.finalFace = at.face;
            at.vertex += st.vertexCount;
            at.normal += st.normalCount;
            at.texcoord += st.texcoordCount;
            at.face += st.faceCount;
        }
        publish(chain, c, at);
        for (int32_t i = first; i < placedEnd; ++i) {
            const StagedSubmission& st = fe.staged[static_cast<size_t>(i)];
            if (st.accepted) {
                layDown(p, s, st);
            }
        }
    }
}

// Records [first, end), none of them a large mesh, on every worker.
void runRecords(FrontEnd& fe, WorkerPool& pool, RenderPipeline& p, int32_t first, int32_t end) {
    int64_t total = 0;
    for (int32_t i = first; i < end; ++i) {
        total += estimatedFaces(p.records[static_cast<size_t>(i)]);
    }
    if (total < FRONT_END_MIN_SHARED_FACES) {
        for (int32_t i = first; i < end; ++i) {
            runSubmissionRecord(p, p.records[static_cast<size_t>(i)]);
        }
        return;
    }
    if (fe.staged.size() < p.records.size()) {
        fe.staged.resize(p.records.size()); // grows with the largest pass, not every frame
    }
    Chain chain;
    chain.fe = &fe;
    chain.pipeline = &p;
    prepareChunks(fe, static_cast<size_t>(total / FRONT_END_CHUNK_FACES + (end - first) / 64 + 2));
    fe.chunkStart[0] = first;
    int64_t sum = 0;
    for (int32_t i = first; i < end; ++i) {
        sum += estimatedFaces(p.records[static_cast<size_t>(i)]);
        if (sum >= FRONT_END_CHUNK_FACES || i + 1 == end) {
            fe.chunkStart[static_cast<size_t>(++chain.chunks)] = i + 1;
            sum = 0;
        }
    }
    chain.start = {p.vertexBase,         p.normalBase, p.texcoordBase, p.faceCount,
                   p.refusedSubmissions, false,        false,          0};
    dispatchEach(pool, runRecordChunks, &chain);

    const ChunkEnd& last = fe.chunkEnd[static_cast<size_t>(chain.chunks - 1)];
    p.vertexBase = last.vertex;
    p.normalBase = last.normal;
    p.texcoordBase = last.texcoord;
    p.faceCount = last.face;
    p.refusedSubmissions = last.refused;
    p.planesKnownEnd = last.vertex;
    p.submissionOverflowed = false;
    p.verticesAdded = p.normalsAdded = p.texcoordsAdded = 0;
    p.facesOrdered = p.verticesProjected = false;
    if (last.broken) {
        // A staging pipeline ran out of room: what follows runs here, as the one-thread path would.
        for (int32_t i = last.brokenAt; i < end; ++i) {
            runSubmissionRecord(p, p.records[static_cast<size_t>(i)]);
        }
    }
}

void transformRange(int32_t w, int32_t, void* data) {
    Chain& chain = *static_cast<Chain*>(data);
    const SubmissionRecord& r = *chain.mesh;
    const Mesh& mesh = *r.mesh;
    const auto worker = static_cast<uint32_t>(w);
    int32_t begin, end;
    evenRange(static_cast<int32_t>(mesh.vertices.size()), chain.parts, worker, begin, end);
    transformMeshVertices(*chain.pipeline, *r.camera, mesh, r.modelView, chain.slots, r.mask, begin, end);
    evenRange(static_cast<int32_t>(mesh.normals.size()), chain.parts, worker, begin, end);
    transformMeshNormals(*chain.pipeline, mesh, r.modelView, chain.slots, begin, end);
    evenRange(static_cast<int32_t>(mesh.texcoords.size()), chain.parts, worker, begin, end);
    copyMeshTexcoords(*chain.pipeline, mesh, chain.slots, begin, end);
}

// The worker's staging pipeline made a window on the open submission of the pass: its vertices,
// normals and texture coordinates, as the submission placed them, are the pass's own.
RenderPipeline& openWindow(FrontEnd& fe, uint32_t worker, const RenderPipeline& p) {
    useOwnBuffers(fe, worker);
    RenderPipeline& s = fe.staging[worker];
    s.vertices = p.vertices;
    s.normals = p.normals;
    s.texcoords = p.texcoords;
    s.vertexCapacity = p.vertexCapacity;
    s.normalCapacity = p.normalCapacity;
    s.texcoordCapacity = p.texcoordCapacity;
    s.vertexBase = p.vertexBase;
    s.normalBase = p.normalBase;
    s.texcoordBase = p.texcoordBase;
    s.verticesAdded = p.verticesAdded;
    s.normalsAdded = p.normalsAdded;
    s.texcoordsAdded = p.texcoordsAdded;
    s.planesKnownEnd = p.planesKnownEnd;
    return s;
}

// A large mesh whose every kept face is stored as one: each chunk's faces are tested, placed as
// soon as the chunk before is, and stored straight into the pass, with nothing to copy.
void keepAndStoreFaceChunks(Chain& chain, uint32_t worker) {
    FrontEnd& fe = *chain.fe;
    RenderPipeline& p = *chain.pipeline;
    const SubmissionRecord& r = *chain.mesh;
    KeptFace* kept = fe.own[worker].kept.data();
    for (int32_t c = chain.next.fetch_add(1); c < chain.chunks; c = chain.next.fetch_add(1)) {
        const int32_t begin = c * FRONT_END_CHUNK_FACES;
        const int32_t end =
            std::min<int32_t>(begin + FRONT_END_CHUNK_FACES, static_cast<int32_t>(r.mesh->faces.size()));
        const int32_t count = collectKeptFaces(p, *r.mesh, r.modelView, chain.slots, begin, end, kept);
        ChunkEnd at = waitForChunkBefore(chain, c);
        if (at.broken || count > p.faceCapacity - at.face) {
            at.broken = at.outOfFaces = true;
            publish(chain, c, at);
            continue;
        }
        const int32_t first = at.face;
        at.face += count;
        publish(chain, c, at);
        RenderPipeline& s = openWindow(fe, worker, p);
        s.faces = p.faces;
        s.bandFaces = p.bandFaces;
        s.faceCapacity = at.face;
        s.faceCount = first;
        storeKeptFaces(s, *r.camera, *r.mesh, kept, count, r.material);
    }
}

// A large mesh's faces: each chunk of them into the worker's staging faces, reading the pass's own
// vertices, normals and texture coordinates as the open submission placed them, then laid down.
void runFaceChunks(int32_t w, int32_t, void* data) {
    Chain& chain = *static_cast<Chain*>(data);
    FrontEnd& fe = *chain.fe;
    RenderPipeline& p = *chain.pipeline;
    const SubmissionRecord& r = *chain.mesh;
    const auto worker = static_cast<uint32_t>(w);
    if (facesStoreOnePerKept(*r.mesh, r.mask)) {
        keepAndStoreFaceChunks(chain, worker);
        return;
    }
    for (int32_t c = chain.next.fetch_add(1); c < chain.chunks; c = chain.next.fetch_add(1)) {
        RenderPipeline& s = openWindow(fe, worker, p);
        const int32_t begin = c * FRONT_END_CHUNK_FACES;
        const int32_t end =
            std::min<int32_t>(begin + FRONT_END_CHUNK_FACES, static_cast<int32_t>(r.mesh->faces.size()));
        submitMeshFaces(s, *r.camera, *r.mesh, r.modelView, chain.slots, r.mask, r.material, begin, end);
        ChunkEnd at = waitForChunkBefore(chain, c);
        if (!at.broken) {
            if (s.submissionOverflowed) {
                at.broken = true;
                at.brokenAt = begin;
            } else if (s.faceCount > p.faceCapacity - at.face) {
                at.broken = true;
                at.outOfFaces = true;
            } else {
                const int32_t to = at.face;
                at.face += s.faceCount;
                publish(chain, c, at); // before copying, so that the next chunk can be placed
                const auto count = static_cast<size_t>(s.faceCount);
                std::memcpy(static_cast<void*>(p.faces + to), s.faces, sizeof(PipelineFace) * count);
                std::memcpy(static_cast<void*>(p.bandFaces + to), s.bandFaces, sizeof(BandFace) * count);
                continue;
            }
        }
        publish(chain, c, at);
    }
}

// A large mesh inside the view (its faces add no vertices): its vertices, normals and texture
// coordinates by even ranges straight into the pass, then its faces by chunks.
void runSharedMesh(FrontEnd& fe, WorkerPool& pool, RenderPipeline& p, const SubmissionRecord& r) {
    Chain chain;
    chain.fe = &fe;
    chain.pipeline = &p;
    chain.mesh = &r;
    chain.parts = pool.workerCount;
    chain.slots = openMeshSubmission(p, *r.mesh);
    if (!chain.slots.reserved) {
        commitSubmission(p);
        return;
    }
    dispatchEach(pool, transformRange, &chain);
    notePlanesKnown(p, *r.mesh, chain.slots, r.mask);
    const auto faces = static_cast<int32_t>(r.mesh->faces.size());
    chain.chunks = (faces + FRONT_END_CHUNK_FACES - 1) / FRONT_END_CHUNK_FACES;
    prepareChunks(fe, static_cast<size_t>(chain.chunks));
    chain.start.face = p.faceCount;
    dispatchEach(pool, runFaceChunks, &chain);
    const ChunkEnd& last = fe.chunkEnd[static_cast<size_t>(chain.chunks - 1)];
    p.faceCount = last.face;
    if (last.outOfFaces) {
        p.submissionOverflowed = true; // the one-thread path runs out of faces part-way: refused
    } else if (last.broken) {
        submitMeshFaces(p, *r.camera, *r.mesh, r.modelView, chain.slots, r.mask, r.material, last.brokenAt,
                        faces);
    }
    commitSubmission(p);
}

} // namespace

bool createFrontEnd(FrontEnd& fe, const WorkerPool& pool) {
    destroyFrontEnd(fe);
    if (pool.workerCount < 2) {
        return false;
    }
#if defined(__EMSCRIPTEN__)
    // The browser runs the submissions on the page's thread. With that thread rendering a band of
    // its own (so it no longer spins through the bands), a front end shared with the one worker of
    // a two-processor page measured no faster (threaded page fps 65 - 160 with it, 62 - 189
    // without, on a loaded machine) and its bake slower (380 - 530 ms against 310 - 340 ms).
    return false;
#endif
    // A chunk is small; what a staging pipeline must hold is one chunk's output, even when every
    // face of it is clipped into a fan.
    constexpr int32_t capacity = FRONT_END_CHUNK_FACES * (MAX_CLIP_OUTPUT_FACES + 1);
    fe.staging.resize(pool.workerCount);
    fe.own.resize(pool.workerCount);
    for (uint32_t w = 0; w < pool.workerCount; ++w) {
        if (!createStagingPipeline(fe.staging[w], capacity)) {
            destroyFrontEnd(fe);
            return false;
        }
        StagingBuffers& own = fe.own[w];
        own.vertices = fe.staging[w].vertices;
        own.texcoords = fe.staging[w].texcoords;
        own.normals = fe.staging[w].normals;
        own.faces = fe.staging[w].faces;
        own.bandFaces = fe.staging[w].bandFaces;
        own.capacity = capacity;
        own.kept.resize(FRONT_END_CHUNK_FACES);
    }
    return true;
}

void destroyFrontEnd(FrontEnd& fe) {
    for (size_t w = 0; w < fe.staging.size(); ++w) {
        if (w < fe.own.size()) {
            useOwnBuffers(fe, static_cast<uint32_t>(w));
        }
        destroyPipeline(fe.staging[w]);
    }
    fe.staging.clear();
    fe.own.clear();
    fe.staged.clear();
    fe.chunkStart.clear();
    fe.chunkEnd.clear();
    fe.placed.reset();
    fe.placedCount = 0;
}

void runFrontEnd(FrontEnd& fe, WorkerPool& pool, RenderPipeline& p) {
    if (p.records.empty()) {
        return;
    }
    if (pool.workerCount < 2 || fe.staging.size() != pool.workerCount) {
        runRecordedSubmissions(p);
        return;
    }
    const auto count = static_cast<int32_t>(p.records.size());
    int32_t i = 0;
    while (i < count) {
        const SubmissionRecord& r = p.records[static_cast<size_t>(i)];
        if (large(r)) {
            if (r.mask == 0) {
                runSharedMesh(fe, pool, p, r);
            } else {
                runSubmissionRecord(p, r); // its clipping adds vertices between faces: run here
            }
            ++i;
            continue;
        }
        int32_t end = i + 1;
        while (end < count && !large(p.records[static_cast<size_t>(end)])) {
            ++end;
        }
        runRecords(fe, pool, p, i, end);
        i = end;
    }
    p.records.clear();
}

} // namespace tessellune
