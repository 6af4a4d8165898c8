#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace veltrano {

struct DeviceContext;
class Link;
class MidiPorts;

// The rules of the main panel's keyboard: when a key press or release goes out as a note, and
// where it goes besides. The widget only draws the keys and calls these.
class OnScreenKeyboard {
public:
    static constexpr int kLowestKey = 21;
    static constexpr int kHighestKey = 108;

    OnScreenKeyboard(MidiPorts& ports, const Link& link, const DeviceContext& app);

    // A key pressed by the user: a note-on when every condition holds. True when sent.
    bool Press(int note);
    // A key released by the user: a note-on with velocity 0 under the release conditions.
    bool Release(int note);
    // The keyboard switched off: velocity-0 note-ons for every key of the range, only while
    // long messages are sent blocking.
    void ReleaseAll();

    void SetChannel(int channel) { channel_ = channel & 0x0F; }
    void SetVelocity(int velocity) {
        velocity_ = velocity < 1 ? 1 : (velocity > 127 ? 127 : velocity);
    }
    void SetNoteOutput(bool on) { noteOutput_ = on; }
    void SetPadEntry(bool on) { padEntry_ = on; }
    void SetPageSwitching(bool on) { pageSwitching_ = on; }
    void SetCurrentVoiceIsDrum(bool drum) { drumVoice_ = drum; }
    [[nodiscard]] int Channel() const { return channel_; }
    [[nodiscard]] int Velocity() const { return velocity_; }
    [[nodiscard]] bool PadEntry() const { return padEntry_; }

    // The Controllers page's hooks: with pad entry on and the page taking notes, every press
    // and release goes to `padNotes` as a packed short message; every press, whatever the
    // switches, goes to `pressedKey`.
    void SetPadNoteHandler(std::function<void(uint32_t message)> padNotes) {
        padNotes_ = std::move(padNotes);
    }
    void SetPageTakesNotes(bool takes) { pageTakesNotes_ = takes; }
    void SetPressedKeyHandler(std::function<void(int note)> pressedKey) {
        pressedKey_ = std::move(pressedKey);
    }
    // A note the Controllers page took from the keyboard, played by the page (on its drum
    // channel, say) when the keyboard could sound at all. True when sent.
    bool SoundPadNote(uint32_t message);

    // Ports that are a software synthesizer play without an instrument connected: the
    // platform's own ("Microsoft"), the usual ones of Linux and macOS, and the built-in
    // simulated instrument.
    [[nodiscard]] static bool IsSoftwareSynthesizer(std::string_view portName);

private:
    [[nodiscard]] bool CanSound() const;
    [[nodiscard]] uint32_t NoteOn(int note, int velocity) const;

    MidiPorts& ports_;
    const Link& link_;
    const DeviceContext& app_;
    int channel_ = 0;
    int velocity_ = 100;
    bool noteOutput_ = true;
    bool padEntry_ = false;
    bool pageTakesNotes_ = false;
    bool pageSwitching_ = false;
    bool drumVoice_ = false;
    std::function<void(uint32_t)> padNotes_;
    std::function<void(int)> pressedKey_;
};

}  // namespace veltrano
