// How fast and in how much memory the MIDI file reader loads large files. Three files are
// generated here, the same every run: 16 tracks of about 1,000,000 events, one track of about
// 1,000,000 events, and one where a thousand notes of one pitch are held at a time across
// thousands of other events. Memory is the peak of the bytes held through operator new during
// the load (the file's bytes included), counted by replacing the global allocation functions;
// malloc's usable size is counted, so the figure is what the heap really hands out.
#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "base/Bytes.h"
#include "base/FileIo.h"
#include "base/Reporter.h"
#include "style/MidiFile.h"

namespace {

std::atomic<size_t> g_current{0};
std::atomic<size_t> g_peak{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const size_t now = g_current.fetch_add(malloc_usable_size(p)) + malloc_usable_size(p);
    size_t peak = g_peak.load();
    while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (p != nullptr) {
        g_current.fetch_sub(malloc_usable_size(p));
        std::free(p);
    }
}

}  // namespace

void* operator new(size_t size) {
    return Allocate(size);
}
void* operator new[](size_t size) {
    return Allocate(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}

namespace {

using veltrano::Bytes;
using veltrano::ByteView;
using veltrano::ByteWriter;

// A small deterministic generator, so every run measures the same files.
struct Lcg {
    uint32_t state;
    uint32_t Next(uint32_t n) {
        state = state * 1664525u + 1013904223u;
        return (state >> 8) % n;
    }
};

void Chunk(ByteWriter& file, const ByteWriter& body) {
    file.Append(std::string_view("MTrk"));
    file.U32Be(static_cast<uint32_t>(body.Size()));
    file.Append(body.Data());
}

void Header(ByteWriter& file, uint16_t format, uint16_t tracks, uint16_t division) {
    file.Append(std::string_view("MThd"));
    file.U32Be(6);
    file.U16Be(format);
    file.U16Be(tracks);
    file.U16Be(division);
}

void Conductor(ByteWriter& t, Lcg& rng, int changes) {
    t.Append(ByteView(Bytes{0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08}));
    for (int i = 0; i < changes; ++i) {
        t.Vlq(i == 0 ? 0 : 1920);
        t.Append(ByteView(Bytes{0xFF, 0x51, 0x03}));
        t.U24Be(400000 + rng.Next(300000));
        t.Vlq(0);
        t.Append(ByteView(Bytes{0xFF, 0x06, 0x04, 'B', 'a', 'r', 's'}));
    }
    t.Append(ByteView(Bytes{0x00, 0xFF, 0x2F, 0x00}));
}

// Notes on one channel under running status (note-offs as velocity 0), with now and then a
// controller or a program change; deltas on a 24-tick grid so tracks meet at equal ticks.
void Notes(ByteWriter& t, Lcg& rng, uint8_t channel, size_t events) {
    const auto on = static_cast<uint8_t>(0x90 | channel);
    uint8_t running = 0;
    size_t written = 0;
    while (written + 2 <= events) {
        if (rng.Next(16) == 0) {
            t.Vlq(0);
            t.U8(static_cast<uint8_t>(0xB0 | channel));
            t.U8(7);
            t.U8(static_cast<uint8_t>(rng.Next(128)));
            running = static_cast<uint8_t>(0xB0 | channel);
            ++written;
            continue;
        }
        const auto note = static_cast<uint8_t>(36 + rng.Next(48));
        t.Vlq(rng.Next(3) * 24);
        if (running != on) {
            t.U8(on);
            running = on;
        }
        t.U8(note);
        t.U8(static_cast<uint8_t>(1 + rng.Next(127)));
        t.Vlq(24 + rng.Next(4) * 24);
        t.U8(note);
        t.U8(0);
        written += 2;
    }
    t.Append(ByteView(Bytes{0x00, 0xFF, 0x2F, 0x00}));
}

Bytes SixteenTracks() {
    Lcg rng{1};
    ByteWriter file;
    Header(file, 1, 16, 480);
    ByteWriter conductor;
    Conductor(conductor, rng, 200);
    Chunk(file, conductor);
    for (uint8_t t = 1; t < 16; ++t) {
        ByteWriter body;
        Notes(body, rng, static_cast<uint8_t>(t - 1), 1000000 / 15);
        Chunk(file, body);
    }
    return file.Take();
}

Bytes OneTrack() {
    Lcg rng{2};
    ByteWriter file;
    Header(file, 0, 1, 96);
    ByteWriter body;
    body.Append(ByteView(Bytes{0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08}));
    body.Append(ByteView(Bytes{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}));
    // Channels change every few events, so running status is used only now and then.
    size_t written = 2;
    while (written < 1000000) {
        const auto channel = static_cast<uint8_t>(rng.Next(16));
        const auto note = static_cast<uint8_t>(36 + rng.Next(48));
        body.Vlq(rng.Next(2) * 12);
        body.U8(static_cast<uint8_t>(0x90 | channel));
        body.U8(note);
        body.U8(100);
        body.Vlq(12);
        body.U8(static_cast<uint8_t>(0x80 | channel));
        body.U8(note);
        body.U8(64);
        written += 2;
    }
    body.Append(ByteView(Bytes{0x00, 0xFF, 0x2F, 0x00}));
    Chunk(file, body);
    return file.Take();
}

// A thousand note-ons of one pitch, two thousand short notes of other pitches, the thousand
// note-offs: each note-off comes some three thousand events after its note-on.
Bytes LongHeldNotes() {
    Lcg rng{3};
    ByteWriter file;
    Header(file, 0, 1, 96);
    ByteWriter body;
    size_t written = 0;
    while (written < 1000000) {
        for (int i = 0; i < 1000; ++i) {
            body.Vlq(1);
            body.Append(ByteView(Bytes{0x90, 60, 100}));
        }
        for (int i = 0; i < 1000; ++i) {
            const auto note = static_cast<uint8_t>(61 + rng.Next(24));
            body.Vlq(1);
            body.Append(ByteView(Bytes{0x91, note, 90}));
            body.Vlq(1);
            body.Append(ByteView(Bytes{0x81, note, 0}));
        }
        for (int i = 0; i < 1000; ++i) {
            body.Vlq(1);
            body.Append(ByteView(Bytes{0x80, 60, 0}));
        }
        written += 4000;
    }
    body.Append(ByteView(Bytes{0x00, 0xFF, 0x2F, 0x00}));
    Chunk(file, body);
    return file.Take();
}

// The least a reader must do: walk every quantity and status, storing nothing.
size_t BareDecode(const std::string& bytes) {
    veltrano::ByteReader in(veltrano::AsBytes(bytes));
    in.Skip(14);
    size_t events = 0;
    while (in.Remaining() >= 8) {
        in.Skip(4);
        const uint32_t length = in.U32Be();
        veltrano::ByteReader track(veltrano::AsBytes(bytes).subspan(
            in.Position(), std::min<size_t>(length, in.Remaining())));
        in.Skip(length);
        uint8_t running = 0;
        while (track.Remaining() > 0) {
            track.Vlq();
            uint8_t b = track.U8();
            if (b == 0xFF) {
                track.U8();
                track.Skip(track.Vlq());
            } else if (b == 0xF0 || b == 0xF7) {
                track.Skip(track.Vlq());
            } else {
                if (b >= 0x80) {
                    running = b;
                    b = track.U8();
                }
                if (running < 0xC0 || running >= 0xE0) {
                    track.U8();
                }
            }
            if (!track.Ok()) {
                break;
            }
            ++events;
        }
    }
    return events;
}

void Measure(const char* name, const std::filesystem::path& path) {
    constexpr int kRuns = 7;
    std::vector<double> ms;
    size_t events = 0;
    size_t peakBytes = 0;
    veltrano::SilentReporter reporter;
    for (int run = 0; run < kRuns; ++run) {
        veltrano::MidiFile midi;
        const size_t base = g_current.load();
        g_peak.store(base);
        const auto start = std::chrono::steady_clock::now();
        if (!midi.load(path, reporter)) {
            std::printf("%s: load failed: %s\n", name, midi.LastError().c_str());
            return;
        }
        const auto end = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
        events = midi.Events().size();
        peakBytes = std::max(peakBytes, g_peak.load() - base);
    }
    std::sort(ms.begin(), ms.end());
    const double megabytes = static_cast<double>(std::filesystem::file_size(path)) / 1e6;

    const auto bytes = veltrano::ReadFileBytes(path);
    double bare = 1e9;
    for (int run = 0; run < kRuns; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const size_t n = BareDecode(*bytes);
        const auto end = std::chrono::steady_clock::now();
        if (n == 0) {
            std::printf("(bare decode found nothing)\n");
        }
        bare = std::min(bare, std::chrono::duration<double, std::milli>(end - start).count());
    }

    std::printf(
        "%-18s %6.2f MB %9zu events  load best %7.1f ms  median %7.1f ms  %6.1f MB/s  "
        "peak %6.1f MB = %5.1f bytes/event  (bare decode %5.1f ms)\n",
        name, megabytes, events, ms.front(), ms[ms.size() / 2], megabytes / ms.front() * 1e3,
        static_cast<double>(peakBytes) / 1e6, static_cast<double>(peakBytes) / events, bare);
}

}  // namespace

int main() {
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / "veltrano-bench-midi";
    fs::create_directories(folder);
    const struct {
        const char* name;
        Bytes (*make)();
    } files[] = {
        {"16 tracks", SixteenTracks}, {"1 track", OneTrack}, {"long-held notes", LongHeldNotes}};
    for (const auto& f : files) {
        const fs::path path = folder / (std::string(f.name) + ".mid");
        const Bytes bytes = f.make();
        if (!veltrano::WriteFileAtomic(path, veltrano::AsText(bytes))) {
            std::printf("cannot write %s\n", path.string().c_str());
            return 1;
        }
        Measure(f.name, path);
        fs::remove(path);
    }
    fs::remove(folder);
    return 0;
}
