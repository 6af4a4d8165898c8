// Upload and download of 16 MiB through the simulated instrument on simulated time, over a
// MIDI cable (31250 baud) and over USB (no rate limit). The simulated duration is set against
// the protocol's own bound: every frame's time on the wire plus the cable's latency for every
// frame. A ratio near 1.00 means the program adds no waits the protocol does not need. The CPU
// time per MiB is what the program costs.
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>

#include "base/EventLoop.h"
#include "base/FileIo.h"
#include "base/Reporter.h"
#include "device/Link.h"
#include "device/MidiPorts.h"
#include "device/peer/SimulatedInstrument.h"
#include "device/peer/SimulatedPortBackend.h"
#include "transfer/DeviceListing.h"
#include "transfer/Transfers.h"

namespace {

using namespace veltrano;
namespace fs = std::filesystem;

constexpr size_t kFileSize = 16 * 1024 * 1024;

// Counts what goes out on the cable.
class CountingOutput : public FrameOutput {
public:
    explicit CountingOutput(FrameOutput& next) : next_(next) {}
    bool SendLong(ByteView bytes) override {
        ++frames;
        this->bytes += bytes.size();
        return next_.SendLong(bytes);
    }
    uint64_t frames = 0;
    uint64_t bytes = 0;

private:
    FrameOutput& next_;
};

struct Result {
    bool ok = false;
    double simulatedSeconds = 0;
    double boundSeconds = 0;
    double cpuSecondsPerMiB = 0;
};

Result Run(bool upload, const WireTiming& timing, const fs::path& work) {
    VirtualEventLoop loop;
    SilentReporter reporter;
    MidiPorts ports(loop, reporter);
    auto backend = std::make_unique<SimulatedPortBackend>(
        loop, std::make_unique<SimulatedInstrument>(SimulatedInstrumentConfig{}), timing);
    SimulatedPortBackend& sim = *backend;
    ports.AddBackend(std::move(backend));
    ports.ListPorts();
    CountingOutput output(ports);
    Link link(loop, output, reporter);
    uint64_t inFrames = 0;
    uint64_t inBytes = 0;
    ports.SetFrameHandler([&](Bytes frame) {
        ++inFrames;
        inBytes += frame.size();
        link.OnFrame(std::move(frame));
    });
    if (!ports.OpenInput(0) || !ports.StartInput() || !ports.OpenOutput(0)) {
        return {};
    }
    ports.SetBlockingSend(true);
    link.state.connected = true;

    std::string bytes(kFileSize, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    }
    DeviceListing listing;
    TransferObserver observer;
    Transfers transfers(link, listing, observer);
    const fs::path local = work / "BIG.MID";
    fs::remove(local);
    if (upload) {
        if (!sim.Instrument().Storage().PutFile("USER", "BIG.MID", AsBytes(bytes))) {
            return {};
        }
    } else if (!WriteFileAtomic(local, bytes)) {
        return {};
    }

    const std::clock_t cpuStart = std::clock();
    const EventLoop::TimePoint start = loop.Now();
    Result result;
    result.ok =
        upload ? transfers.UploadFile("BIG.MID", kFileSize, work) : transfers.DownloadFile(local);
    const EventLoop::TimePoint end = loop.Now();
    const std::clock_t cpuEnd = std::clock();

    result.simulatedSeconds = std::chrono::duration<double>(end - start).count();
    const double byteTime = std::chrono::duration<double>(timing.ByteTime()).count();
    const double latency = std::chrono::duration<double>(timing.latency).count();
    // A successful upload's last acknowledgement needs no answer; it is still on the wire.
    const uint64_t frames = output.frames + inFrames;
    const uint64_t wireBytes = output.bytes + inBytes;
    result.boundSeconds =
        static_cast<double>(wireBytes) * byteTime + static_cast<double>(frames) * latency;
    if (upload) {
        result.boundSeconds -= 16 * byteTime + latency;  // the final acknowledgement
    }
    result.cpuSecondsPerMiB =
        static_cast<double>(cpuEnd - cpuStart) / CLOCKS_PER_SEC / (kFileSize / 1048576.0);
    return result;
}

}  // namespace

int main() {
    const fs::path work = fs::temp_directory_path() / "veltrano-bench-transfer";
    fs::create_directories(work);
    std::printf("16 MiB through the simulated instrument, simulated time\n");
    std::printf("%-10s %-14s %14s %14s %8s %14s\n", "direction", "cable", "simulated s", "bound s",
                "ratio", "CPU ms / MiB");
    const struct {
        const char* name;
        WireTiming timing;
    } cables[] = {{"MIDI 31250", {std::chrono::milliseconds(1), WireTiming::kMidiBaud}},
                  {"USB", {std::chrono::milliseconds(1), 0}}};
    int failures = 0;
    for (bool upload : {true, false}) {
        for (const auto& cable : cables) {
            const Result r = Run(upload, cable.timing, work);
            failures += r.ok ? 0 : 1;
            std::printf("%-10s %-14s %14.1f %14.1f %8.4f %14.2f%s\n",
                        upload ? "upload" : "download", cable.name, r.simulatedSeconds,
                        r.boundSeconds, r.simulatedSeconds / r.boundSeconds,
                        r.cpuSecondsPerMiB * 1000.0, r.ok ? "" : "  (FAILED)");
        }
    }
    fs::remove_all(work);
    return failures == 0 ? 0 : 1;
}
