// The arpeggiator preview playing while a 64 KB file is downloaded through the same MIDI
// output, on a cable that takes real time for every long message (32 us a byte, ten times
// MIDI's speed). Once with the engine sending straight to the output, which waits behind each
// long message, and once through the preview's own hand-over, which does not. Lateness is how
// long after its deadline each 1 ms tick ran.
//   bench_preview_during_download
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/PreviewOutput.h"
#include "arp/ArpEngine.h"
#include "arp/NoteOutput.h"
#include "arp/PreviewClock.h"
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

constexpr size_t kFileSize = 64 * 1024;
constexpr auto kByteTime = std::chrono::microseconds(32);

// The simulated instrument behind a cable on which a long message takes real time to send.
class SlowCable : public MidiBackend {
public:
    explicit SlowCable(std::unique_ptr<SimulatedPortBackend> next) : next_(std::move(next)) {}
    std::vector<std::string> InputNames() override { return next_->InputNames(); }
    std::vector<std::string> OutputNames() override { return next_->OutputNames(); }
    bool OpenInput(size_t index, InputHandler handler) override {
        return next_->OpenInput(index, std::move(handler));
    }
    bool StartInput() override { return next_->StartInput(); }
    void StopInput() override { next_->StopInput(); }
    CloseResult CloseInput() override { return next_->CloseInput(); }
    bool OpenOutput(size_t index) override { return next_->OpenOutput(index); }
    bool CloseOutput() override { return next_->CloseOutput(); }
    bool Send(ByteView message) override {
        if (message.size() > 3) {
            std::this_thread::sleep_for(kByteTime * static_cast<int64_t>(message.size()));
        }
        return next_->Send(message);
    }
    size_t MaxMessageSize() const override { return next_->MaxMessageSize(); }

private:
    std::unique_ptr<SimulatedPortBackend> next_;
};

// The engine's notes straight to the output, as a plain call.
class DirectOutput : public NoteOutput {
public:
    explicit DirectOutput(ShortOutput& next) : next_(next) {}
    bool SendShort(uint32_t message) override { return next_.SendShort(message); }

private:
    ShortOutput& next_;
};

double Micros(PreviewClock::Duration d) {
    return static_cast<double>(d.count()) / 1000.0;
}

void RunOnce(bool handOver, const fs::path& work) {
    VirtualEventLoop loop;
    SilentReporter reporter;
    MidiPorts ports(loop, reporter);
    ports.AddBackend(std::make_unique<SlowCable>(std::make_unique<SimulatedPortBackend>(
        loop, std::make_unique<SimulatedInstrument>(SimulatedInstrumentConfig{}), WireTiming{})));
    ports.ListPorts();
    Link link(loop, ports, reporter);
    ports.SetFrameHandler([&](Bytes frame) { link.OnFrame(std::move(frame)); });
    if (!ports.OpenInput(0) || !ports.StartInput() || !ports.OpenOutput(0)) {
        std::printf("cannot open the simulated instrument\n");
        return;
    }
    ports.SetBlockingSend(true);
    link.state.connected = true;

    std::unique_ptr<NoteOutput> output;
    if (handOver) {
        output = std::make_unique<PreviewOutput>(ports);
    } else {
        output = std::make_unique<DirectOutput>(ports);
    }
    ArpEngine engine(*output);
    PreviewClock::Options options;
    options.restWhenIdle = false;
    PreviewClock clock(engine, reporter, options);
    std::vector<ArpStep> steps(4);
    for (size_t i = 0; i < steps.size(); ++i) {
        steps[i].noteMask = static_cast<uint16_t>(1u << (i % 3));
        steps[i].gate = 50;
    }
    if (!engine.LoadPattern(steps) || !clock.StartStatistics(200000)) {
        std::printf("cannot set up the run\n");
        return;
    }
    (void)engine.ArpCommand(ArpEngine::kResolution, 0);  // a note every 16 ms
    (void)engine.ArpCommand(ArpEngine::kStartStop, 1);
    for (int note : {60, 64, 67}) {
        (void)engine.ArpCommand(ArpEngine::kFeedKey, note, 100);
    }

    const std::string bytes(kFileSize, '\x55');
    const fs::path local = work / "BIG.MID";
    if (!WriteFileAtomic(local, bytes)) {
        std::printf("cannot write %s\n", local.string().c_str());
        return;
    }
    DeviceListing listing;
    TransferObserver observer;
    Transfers transfers(link, listing, observer);
    if (!clock.Enable()) {
        std::printf("the clock's thread cannot be started\n");
        return;
    }
    const auto start = std::chrono::steady_clock::now();
    const bool ok = transfers.DownloadFile(local);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    (void)engine.ArpCommand(ArpEngine::kStartStop, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    clock.Disable();

    const PreviewClock::Statistics stats = clock.GetStatistics();
    std::vector<PreviewClock::Duration> lateness = stats.lateness;
    std::sort(lateness.begin(), lateness.end());
    const auto at = [&](double q) {
        return lateness.empty() ? 0.0
                                : Micros(lateness[static_cast<size_t>(
                                      q * static_cast<double>(lateness.size() - 1))]);
    };
    std::printf("%s: download %s in %.2f s\n",
                handOver ? "through the preview's hand-over" : "straight to the MIDI output",
                ok ? "done" : "FAILED", seconds.count());
    std::printf("  ticks %llu, %llu late by over 1 ms, %llu resynchronisations, %llu dropped\n",
                static_cast<unsigned long long>(stats.ticks),
                static_cast<unsigned long long>(stats.lateTicks),
                static_cast<unsigned long long>(stats.resyncs),
                static_cast<unsigned long long>(stats.droppedTicks));
    std::printf("  lateness median %.1f us, p99 %.1f us, max %.1f us\n", at(0.5), at(0.99),
                lateness.empty() ? 0.0 : Micros(lateness.back()));
}

}  // namespace

int main() {
    const fs::path work = fs::temp_directory_path() / "veltrano-bench-preview-download";
    fs::create_directories(work);
    std::printf("Preview clock (1 ms) during a 64 KB download, long messages at 32 us a byte\n");
    RunOnce(false, work);
    RunOnce(true, work);
    fs::remove_all(work);
    return 0;
}
