#include "arp/PitchName.h"

#include <array>
#include <cstdio>

namespace veltrano {

std::optional<int> ParsePitchName(std::string_view name) {
    if (name.size() < 2 || name.size() > 3) {
        return std::nullopt;
    }
    static constexpr std::array<int, 7> kLetters{9, 11, 0, 2, 4, 5, 7};  // A..G
    const char letter = static_cast<char>(name[0] & ~0x20);
    if (letter < 'A' || letter > 'G') {
        return std::nullopt;
    }
    int note = kLetters[static_cast<size_t>(letter - 'A')];
    size_t at = 1;
    if (name.size() == 3) {
        if (name[1] == '#') {
            ++note;
        } else if (name[1] == 'b') {
            --note;
        } else {
            return std::nullopt;
        }
        at = 2;
    }
    if (name[at] < '0' || name[at] > '9') {
        return std::nullopt;
    }
    note += 12 * (name[at] - '0') + 12;
    if (note < 21 || note > 108) {
        return std::nullopt;
    }
    return note;
}

std::string PitchName(int note) {
    static constexpr std::array<const char*, 12> kNames{"C",  "C#", "D",  "Eb", "E",  "F",
                                                        "F#", "G",  "Ab", "A",  "Bb", "B"};
    if (note < 0 || note > 127) {
        return {};
    }
    return std::string(kNames[static_cast<size_t>(note % 12)]) + std::to_string(note / 12 - 1);
}

const std::string& GeneralMidiName(int program) {
    static constexpr std::array<const char*, 128> kNames{"Acoustic Grand Piano",
                                                         "Bright Acoustic Piano",
                                                         "Electric Grand Piano",
                                                         "Honky-tonk Piano",
                                                         "Electric Piano 1",
                                                         "Electric Piano 2",
                                                         "Harpsichord",
                                                         "Clavi",
                                                         "Celesta",
                                                         "Glockenspiel",
                                                         "Music Box",
                                                         "Vibraphone",
                                                         "Marimba",
                                                         "Xylophone",
                                                         "Tubular Bells",
                                                         "Dulcimer",
                                                         "Drawbar Organ",
                                                         "Percussive Organ",
                                                         "Rock Organ",
                                                         "Church Organ",
                                                         "Reed Organ",
                                                         "Accordion",
                                                         "Harmonica",
                                                         "Tango Accordion",
                                                         "Acoustic Guitar (nylon)",
                                                         "Acoustic Guitar (steel)",
                                                         "Electric Guitar (jazz)",
                                                         "Electric Guitar (clean)",
                                                         "Electric Guitar (muted)",
                                                         "Overdriven Guitar",
                                                         "Distortion Guitar",
                                                         "Guitar harmonics",
                                                         "Acoustic Bass",
                                                         "Electric Bass (finger)",
                                                         "Electric Bass (pick)",
                                                         "Fretless Bass",
                                                         "Slap Bass 1",
                                                         "Slap Bass 2",
                                                         "Synth Bass 1",
                                                         "Synth Bass 2",
                                                         "Violin",
                                                         "Viola",
                                                         "Cello",
                                                         "Contrabass",
                                                         "Tremolo Strings",
                                                         "Pizzicato Strings",
                                                         "Orchestral Harp",
                                                         "Timpani",
                                                         "String Ensemble 1",
                                                         "String Ensemble 2",
                                                         "SynthStrings 1",
                                                         "SynthStrings 2",
                                                         "Choir Aahs",
                                                         "Voice Oohs",
                                                         "Synth Voice",
                                                         "Orchestra Hit",
                                                         "Trumpet",
                                                         "Trombone",
                                                         "Tuba",
                                                         "Muted Trumpet",
                                                         "French Horn",
                                                         "Brass Section",
                                                         "SynthBrass 1",
                                                         "SynthBrass 2",
                                                         "Soprano Sax",
                                                         "Alto Sax",
                                                         "Tenor Sax",
                                                         "Baritone Sax",
                                                         "Oboe",
                                                         "English Horn",
                                                         "Bassoon",
                                                         "Clarinet",
                                                         "Piccolo",
                                                         "Flute",
                                                         "Recorder",
                                                         "Pan Flute",
                                                         "Blown Bottle",
                                                         "Shakuhachi",
                                                         "Whistle",
                                                         "Ocarina",
                                                         "Lead 1 (square)",
                                                         "Lead 2 (sawtooth)",
                                                         "Lead 3 (calliope)",
                                                         "Lead 4 (chiff)",
                                                         "Lead 5 (charang)",
                                                         "Lead 6 (voice)",
                                                         "Lead 7 (fifths)",
                                                         "Lead 8 (bass + lead)",
                                                         "Pad 1 (new age)",
                                                         "Pad 2 (warm)",
                                                         "Pad 3 (polysynth)",
                                                         "Pad 4 (choir)",
                                                         "Pad 5 (bowed)",
                                                         "Pad 6 (metallic)",
                                                         "Pad 7 (halo)",
                                                         "Pad 8 (sweep)",
                                                         "FX 1 (rain)",
                                                         "FX 2 (soundtrack)",
                                                         "FX 3 (crystal)",
                                                         "FX 4 (atmosphere)",
                                                         "FX 5 (brightness)",
                                                         "FX 6 (goblins)",
                                                         "FX 7 (echoes)",
                                                         "FX 8 (sci-fi)",
                                                         "Sitar",
                                                         "Banjo",
                                                         "Shamisen",
                                                         "Koto",
                                                         "Kalimba",
                                                         "Bag pipe",
                                                         "Fiddle",
                                                         "Shanai",
                                                         "Tinkle Bell",
                                                         "Agogo",
                                                         "Steel Drums",
                                                         "Woodblock",
                                                         "Taiko Drum",
                                                         "Melodic Tom",
                                                         "Synth Drum",
                                                         "Reverse Cymbal",
                                                         "Guitar Fret Noise",
                                                         "Breath Noise",
                                                         "Seashore",
                                                         "Bird Tweet",
                                                         "Telephone Ring",
                                                         "Helicopter",
                                                         "Applause",
                                                         "Gunshot"};
    static const std::array<std::string, 128> kNumbered = [] {
        std::array<std::string, 128> numbered;
        for (size_t i = 0; i < numbered.size(); ++i) {
            char number[8];
            std::snprintf(number, sizeof number, "%03zu ", i + 1);
            numbered[i] = number + std::string(kNames[i]);
        }
        return numbered;
    }();
    static const std::string kNone;
    return program >= 0 && program < 128 ? kNumbered[static_cast<size_t>(program)] : kNone;
}

}  // namespace veltrano
