// Frame building and reading speed: payload megabytes per second through the codec, for the
// frame sizes the protocol uses. The wire, never the program, must be the limit: MIDI moves
// about 3 kB/s, USB a few MB/s.
#include <chrono>
#include <cstdio>
#include <vector>

#include "device/SysExMessage.h"

namespace {

using veltrano::Bytes;
using Clock = std::chrono::steady_clock;

template <typename Body>
double MegabytesPerSecond(size_t payloadBytes, Body body) {
    // Run for at least half a second so the figure is steady.
    size_t rounds = 0;
    const auto start = Clock::now();
    double seconds = 0;
    do {
        for (int i = 0; i < 1000; ++i) {
            body();
        }
        rounds += 1000;
        seconds = std::chrono::duration<double>(Clock::now() - start).count();
    } while (seconds < 0.5);
    return static_cast<double>(payloadBytes) * static_cast<double>(rounds) / seconds / 1e6;
}

}  // namespace

int main() {
    using namespace veltrano;
    std::printf("%-28s %14s %14s\n", "frame", "build MB/s", "decode MB/s");
    const struct {
        const char* name;
        size_t payload;
    } kinds[] = {{"status reply (1 byte)", 1},
                 {"data block (262 bytes)", sysex::kDataBlockPayloadSize},
                 {"download packet (1030)", sysex::kDownloadPacketSize},
                 {"large frame (5000)", 5000}};
    volatile uint32_t sink = 0;
    for (const auto& kind : kinds) {
        Bytes payload(kind.payload);
        for (size_t i = 0; i < payload.size(); ++i) {
            payload[i] = static_cast<uint8_t>(i * 131 + 7);
        }
        const double build = MegabytesPerSecond(kind.payload, [&] {
            const Bytes frame = sysex::BuildFrame(sysex::CMD_DOWNLOAD, payload);
            sink = sink + frame[frame.size() - 2];
        });
        const Bytes frame = sysex::BuildFrame(sysex::CMD_UPLOAD, payload);
        const double decode = MegabytesPerSecond(kind.payload, [&] {
            const auto check = sysex::VerifyFrameChecksum(frame);
            const auto data = sysex::DecodePayload(frame, kind.payload);
            sink = sink + check.computed + (data ? (*data)[0] : 0);
        });
        std::printf("%-28s %14.1f %14.1f\n", kind.name, build, decode);
    }
    return sink == 0xFFFFFFFF ? 1 : 0;
}
