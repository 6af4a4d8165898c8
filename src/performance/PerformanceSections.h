#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/Bytes.h"
#include "base/TextCodec.h"
#include "performance/PerformanceModel.h"

namespace veltrano {

class Reporter;
struct DeviceProfileValues;

// The captions of the messages about each section. The effect writer and reader differ in
// case, as the instrument's own tools always had them.
namespace performance_caption {
inline constexpr std::string_view kFile = "Error";
inline constexpr std::string_view kKeyboard = "Error(keyboard)";
inline constexpr std::string_view kEffectWriter = "Error(Effect)";
inline constexpr std::string_view kEffectReader = "Error(effect)";
inline constexpr std::string_view kController = "Error(controller)";
inline constexpr std::string_view kGlobal = "Error(global setting)";
}  // namespace performance_caption

namespace performance_text {
inline constexpr std::string_view kNegativeStart = "The start address can't be less than 0";
inline constexpr std::string_view kLengthBelowZero = "Reading length can't be less than 0";
inline constexpr std::string_view kNoMoreData = "No more data for reading";
inline constexpr std::string_view kInvalidTab = "Invalid tab value";
}  // namespace performance_text

// How many controllers of each kind an instrument model stores, from its device profile.
struct ControllerLayout {
    int padCount = kMaxPads;
    int knobCount = kMaxKnobs;
    int pedalCount = kMaxPedals;
    bool pitchBend = false;
    int knobFunctionGroups = 0;
    int knobCustomGroup = 0;

    // Without a profile ("DeviceClass" negative) the pads, knobs and pedals take the counts of
    // the largest instrument; pitch-bend and the knob groups always come from the profile.
    [[nodiscard]] static ControllerLayout FromProfile(const DeviceProfileValues& profile);
    bool operator==(const ControllerLayout&) const = default;
};

struct SectionContext {
    CodePage codePage;
    Reporter& reporter;
};

// Section writers. Each builds its section apart and appends it to out in one piece, returning
// the section's length; a section that cannot be stored is reported and nothing is appended.
// Offsets inside the results are relative to the section's first byte.

// start: the section's offset inside its performance block; a negative one is refused.
[[nodiscard]] std::optional<size_t> WriteKeyboardSection(const KeyboardSection& keyboard,
                                                         int64_t start, ByteWriter& out,
                                                         const SectionContext& context);
[[nodiscard]] std::optional<size_t> WriteEffectSection(const EffectSection& effect, int64_t start,
                                                       ByteWriter& out,
                                                       const SectionContext& context);

struct ControllersWritten {
    size_t length = 0;
    size_t knobHeader = 0;
    std::optional<size_t> pitchBend;
    size_t pedals = 0;
};
[[nodiscard]] std::optional<ControllersWritten> WriteControllersSection(
    const ControllersSection& controllers, const ControllerLayout& layout, ByteWriter& out,
    Reporter& reporter);

struct StyleSongWritten {
    size_t length = 0;
    size_t songSource = 0;
};
[[nodiscard]] std::optional<StyleSongWritten> WriteStyleSongSection(
    const StyleSongSection& styleSong, ByteWriter& out, const SectionContext& context);

size_t WriteGlobalSection(const GlobalSection& global, ByteWriter& out);

// The keyboard section's three leading offsets (part list, split keys, volumes), computed
// without building the section; nullopt when a voice path is too long.
[[nodiscard]] std::optional<std::array<uint32_t, 3>> KeyboardOffsets(
    const KeyboardSection& keyboard, CodePage page);

// Section readers: decode a section's bytes. On success the section is replaced; on failure
// the reason is reported and the section is left as it was. Nothing outside bytes is read.
[[nodiscard]] bool ReadKeyboardSection(ByteView bytes, KeyboardSection& keyboard,
                                       const SectionContext& context);
[[nodiscard]] bool ReadEffectSection(ByteView bytes, EffectSection& effect,
                                     const SectionContext& context);
// pitchBendPresent: the performance header points at pitch-bend bytes.
[[nodiscard]] bool ReadControllersSection(ByteView bytes, bool pitchBendPresent,
                                          ControllersSection& controllers, Reporter& reporter);
[[nodiscard]] bool ReadStyleSongSection(ByteView bytes, StyleSongSection& styleSong,
                                        const SectionContext& context);
[[nodiscard]] bool ReadGlobalSection(ByteView bytes, GlobalSection& global, Reporter& reporter);

inline constexpr size_t kGlobalSectionSize = 9;

}  // namespace veltrano
