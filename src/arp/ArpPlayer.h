#pragma once

#include <array>
#include <filesystem>
#include <vector>

#include "arp/ArpEngine.h"
#include "arp/PreviewClock.h"

namespace veltrano {

class ArpPattern;
class NoteOutput;
class Reporter;

// The editor's preview: the engine with its clock, started from a pattern written to the
// preview file and fed the keys the player holds. Commands are queued for the clock's
// thread; a full queue is drained by waking the clock rather than dropping the command.
// For the window thread only.
class ArpPlayer {
public:
    static constexpr int kFeedVelocity = 100;
    // The controls window's settings as it starts: sent in this order when it opens.
    struct Controls {
        bool sort = false;
        bool latch = false;
        bool keySync = true;
        bool keySound = true;
        bool fixedNote = false;
        int velocityFunction = ArpEngine::kKeyVelocity;
        int resolution = 5;
        int replaceMode = 0;
        int triggerMode = 1;
        std::array<int, ArpEngine::kMaxHeld> fixedNotes{60, 64, 67, 71, 74, 77,
                                                        81, 84, 84, 84, 84, 84};
        int type = 0;
        int range = 1;
        int velocityMin = 1;
        int velocityMax = 127;
    };

    struct ControlCommand {
        int code;
        int a;
        int b;
    };
    // The commands that set `controls`, in the order the controls window sends them.
    [[nodiscard]] static std::vector<ControlCommand> ControlCommands(const Controls& controls);

    ArpPlayer(NoteOutput& output, Reporter& reporter,
              PreviewClock::Options options = PreviewClock::Options());

    // Queues one engine command. False when the clock cannot run to take it.
    bool Command(int code, int a = 0, int b = 0);
    // The controls' whole set, in the order the controls window sends it.
    bool SendControls(const Controls& controls);

    // Writes the pattern's first `length` steps to `previewFile`, loads it, takes the channel,
    // starts and feeds `heldKeys` (ascending, past the input filters). Gates play as drawn.
    bool Start(const ArpPattern& pattern, const std::filesystem::path& previewFile, int channel,
               std::vector<int> heldKeys, Reporter& reporter);
    // Every sounding note ends on the clock's next tick.
    void Stop();
    [[nodiscard]] bool Running() const { return running_; }
    // A key pressed (velocity > 0) or let go while the preview runs.
    void Key(int note, int velocity);
    // The channel of the notes; a change ends the notes sounding on the old one first.
    void SetChannel(int channel);

    // The step the engine played last, -1 when stopped. Safe while the clock runs.
    [[nodiscard]] int PlayedStep() const { return engine_.PlayedStep(); }
    // Waits until the clock rests after Stop (tests, closing).
    [[nodiscard]] bool WaitUntilQuiet(PreviewClock::Duration timeout);

private:
    bool Queue(const std::function<bool()>& enqueue);

    ArpEngine engine_;
    PreviewClock clock_;
    bool running_ = false;
    bool clockFailed_ = false;
};

}  // namespace veltrano
