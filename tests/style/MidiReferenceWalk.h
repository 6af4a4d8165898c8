#pragma once

// The MIDI file reading done the plain way, step by step as described for the reader: a linked
// list into which every event is inserted by walking from its track's last insertion point, a
// timing walk over the whole list once per track, and a forward search for each note-off.
// Quadratic, and meant to be: the reader must give exactly the same result at linear cost.
// It keeps the reader's few deliberate rules for broken values (a tempo of 0 or shorter than
// three bytes, a time signature shorter than two bytes or with a power above 30, a time
// division of 0, quantities longer than four bytes, meta types that look like statuses).
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <list>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace veltrano::test {

struct ReferenceEvent {
    uint16_t track = 0;
    uint8_t type = 0;
    int kind = 0;  // 0 channel, 1 system exclusive, 2 meta
    uint32_t message = 0;
    uint32_t delta = 0;
    double tick = 0;
    double time = 0;
    double duration = 0;
    std::string hexText;
    std::string positionText;
    bool matched = false;
};

struct ReferenceResult {
    bool ok = false;
    int format = 0;
    int trackCount = 0;
    int division = 0;
    std::vector<ReferenceEvent> events;
    std::vector<std::pair<int, double>> tempoMap;                // bpm, tick
    std::vector<std::tuple<int, int, double>> timeSignatureMap;  // denominator, numerator, tick
    uint32_t currentTempo = 0;
    uint32_t currentDenominator = 0;
    uint32_t currentNumerator = 0;
    int currentBpm = 0;
    double longestTime = 0;
    double longestTick = 0;
    std::string information;
};

class ReferenceWalk {
public:
    static ReferenceResult Read(const uint8_t* data, size_t size) {
        ReferenceWalk walk(data, size);
        walk.result_.ok = walk.ReadAll();
        if (walk.result_.ok) {
            walk.Timing();
            walk.result_.events.assign(walk.list_.begin(), walk.list_.end());
        }
        return walk.result_;
    }

private:
    ReferenceWalk(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    // A quantity of at most four bytes, all before `end`.
    bool Vlq(size_t& pos, size_t end, uint32_t& value) {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (pos >= end) {
                return false;
            }
            const uint8_t b = data_[pos++];
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80)) {
                return true;
            }
        }
        return false;
    }

    uint32_t Be(size_t pos, int n) const {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            v = (v << 8) | data_[pos + static_cast<size_t>(i)];
        }
        return v;
    }

    bool ReadAll() {
        static const uint8_t kHead[8] = {'M', 'T', 'h', 'd', 0, 0, 0, 6};
        if (size_ < 14) {
            return false;
        }
        for (int i = 0; i < 8; ++i) {
            if (data_[i] != kHead[i]) {
                return false;
            }
        }
        result_.format = static_cast<int>(Be(8, 2));
        result_.trackCount = static_cast<int>(Be(10, 2));
        result_.division = static_cast<int>(Be(12, 2));
        if (result_.division == 0) {
            return false;
        }
        char line[100];
        std::snprintf(line, sizeof line,
                      "File format: %d  \nTrack count: %d  \nTime division: %d\n", result_.format,
                      result_.trackCount, result_.division);
        result_.information = line;
        size_t pos = 14;
        for (int track = 0; track < result_.trackCount; ++track) {
            if (pos > size_ || size_ - pos < 8 || data_[pos] != 'M' || data_[pos + 1] != 'T' ||
                data_[pos + 2] != 'r' || data_[pos + 3] != 'k') {
                return false;
            }
            const uint32_t length = Be(pos + 4, 4);
            const size_t start = pos + 8;
            pos = start + length;
            if (length == 0) {
                continue;
            }
            const size_t end = pos < size_ ? pos : size_;
            if (!ReadTrack(static_cast<uint16_t>(track), start, end)) {
                return false;
            }
        }
        return true;
    }

    bool ReadTrack(uint16_t track, size_t pos, size_t end) {
        uint32_t delta = 0;
        if (!Vlq(pos, end, delta)) {
            return false;
        }
        double tick = delta;
        uint8_t running = 0;
        bool first = true;
        std::list<ReferenceEvent>::iterator insertion;
        while (pos < end) {
            ReferenceEvent e;
            const uint8_t b = data_[pos++];
            if (b < 0xF0) {
                uint8_t status = running;
                uint8_t d1 = b;
                if (b >= 0x80) {
                    status = b;
                    running = b;
                    if (pos >= end) {
                        break;
                    }
                    d1 = data_[pos++];
                } else if (running == 0) {
                    break;
                }
                const bool one = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
                uint8_t d2 = 0;
                if (!one) {
                    if (pos >= end) {
                        break;
                    }
                    d2 = data_[pos++];
                }
                char hex[16];
                if (one) {
                    std::snprintf(hex, sizeof hex, "%.2X %.2X ", status, d1);
                } else {
                    std::snprintf(hex, sizeof hex, "%.2X %.2X %.2X", status, d1, d2);
                }
                e.hexText = hex;
                e.type = status;
                e.message = status | (uint32_t{d1} << 8) | (uint32_t{d2} << 16);
            } else if (b == 0xF0 || b == 0xF7) {
                uint32_t length = 0;
                if (!Vlq(pos, end, length) || end - pos < length) {
                    break;
                }
                pos += length;
                e.kind = 1;
                e.type = b;
            } else if (b == 0xFF) {
                if (pos >= end) {
                    break;
                }
                const uint8_t type = data_[pos++];
                if (type == 0x2F) {
                    break;
                }
                uint32_t length = 0;
                if (!Vlq(pos, end, length) || end - pos < length) {
                    break;
                }
                const std::string text(reinterpret_cast<const char*>(data_ + pos), length);
                pos += length;
                e.kind = 2;
                e.type = type;
                e.hexText = text;
                Meta(e, track, tick, text);
            } else {
                break;
            }
            e.track = track;
            e.tick = tick;
            e.positionText = Position(tick);
            if (e.kind == 0 && (e.message & 0xF0) == 0x80) {
                e.message = (e.message & 0x0000FF0F) | 0x90;
                e.type = static_cast<uint8_t>(e.message);
            }
            insertion = Insert(first ? list_.begin() : insertion, e);
            first = false;
            if (!Vlq(pos, end, delta)) {
                break;
            }
            tick += delta;
        }
        return true;
    }

    void Meta(ReferenceEvent& e, uint16_t track, double tick, const std::string& text) {
        const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
        if (e.type == 0x51) {
            if (text.size() >= 3) {
                const uint32_t tempo =
                    (uint32_t{byte(0)} << 16) | (uint32_t{byte(1)} << 8) | byte(2);
                if (tempo != 0) {
                    e.message = tempo;
                    result_.currentTempo = tempo;
                    if (!result_.timeSignatureMap.empty()) {
                        result_.currentBpm = static_cast<int>(std::round(60000000.0 / tempo));
                        result_.tempoMap.emplace_back(result_.currentBpm, tick);
                    }
                }
            }
        } else if (e.type == 0x58) {
            if (text.size() >= 2 && byte(1) <= 30) {
                result_.currentNumerator = byte(0);
                result_.currentDenominator = 1u << byte(1);
                result_.timeSignatureMap.emplace_back(result_.currentDenominator,
                                                      result_.currentNumerator, tick);
                if (result_.currentTempo != 0) {
                    result_.currentBpm =
                        static_cast<int>(std::round(60000000.0 / result_.currentTempo));
                    result_.tempoMap.emplace_back(result_.currentBpm, tick);
                }
            }
        } else {
            const std::string t = std::to_string(track);
            std::string label;
            if (e.type == 1) {
                label = "Track " + t + " comment:";
            } else if (e.type == 2) {
                label = "Copyright:";
            } else if (e.type == 3) {
                label = "Track " + t + " name:";
            } else if (e.type == 4) {
                label = "Instrument:";
            }
            result_.information += label + text + "\n";
        }
    }

    std::string Position(double tick) const {
        if (result_.timeSignatureMap.empty()) {
            return "0:00:000";
        }
        const uint64_t d = result_.currentDenominator;
        const uint64_t perBar = result_.currentNumerator * uint64_t(result_.division) * 4 / d;
        const uint64_t perBeat = uint64_t(result_.division) * 4 / d;
        if (perBar == 0 || perBeat == 0) {
            return "0:00:000";
        }
        const uint64_t t = static_cast<uint64_t>(tick);
        const uint64_t bar = t / perBar + 1;  // the smallest bar whose end lies past the tick
        const uint64_t rest = t - (bar - 1) * perBar;
        char beat[32];
        std::snprintf(beat, sizeof beat, "%llu",
                      static_cast<unsigned long long>(rest / perBeat + 1));
        std::string beatText = beat;
        if (beatText.size() != 2) {
            beatText = "0" + beatText;
        }
        char text[96];
        std::snprintf(text, sizeof text, "%llu:%s:%03llu", static_cast<unsigned long long>(bar),
                      beatText.c_str(), static_cast<unsigned long long>(rest % perBeat));
        return text;
    }

    // Before the first greater tick, or directly after the first equal one, walking from
    // `from`; at the end, appended.
    std::list<ReferenceEvent>::iterator Insert(std::list<ReferenceEvent>::iterator from,
                                               const ReferenceEvent& e) {
        for (auto it = from; it != list_.end(); ++it) {
            if (it->tick > e.tick) {
                return list_.insert(it, e);
            }
            if (it->tick == e.tick) {
                return list_.insert(std::next(it), e);
            }
        }
        return list_.insert(list_.end(), e);
    }

    void Timing() {
        const double division = result_.division;
        double perTick = 500000 / (division * 1000.0);
        for (int i = 0; i < result_.trackCount; ++i) {
            double previousTick = 0;
            double previousTime = 0;
            for (auto it = list_.begin(); it != list_.end(); ++it) {
                if (it->kind == 2 && it->type == 0x51 && it->message != 0) {
                    perTick = it->message / (division * 1000.0);
                }
                if (it->track != i) {
                    continue;
                }
                const double delta = it->tick - previousTick;
                it->delta = delta >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(delta);
                it->time = previousTime + perTick * delta;
                previousTick = it->tick;
                previousTime = it->time;
                if (it->time > result_.longestTime) {
                    result_.longestTime = it->time;
                }
                if (it->tick > result_.longestTick) {
                    result_.longestTick = it->tick;
                }
                const uint32_t status = it->message & 0xFF;
                const uint32_t note = (it->message >> 8) & 0xFF;
                const uint32_t velocity = (it->message >> 16) & 0xFF;
                if (it->kind != 0 || (status & 0xF0) != 0x90 || velocity == 0) {
                    continue;
                }
                for (auto off = std::next(it); off != list_.end(); ++off) {
                    if (!off->matched && off->kind == 0 && (off->message & 0xFF) == status &&
                        ((off->message >> 8) & 0xFF) == note &&
                        ((off->message >> 16) & 0xFF) == 0) {
                        it->duration = off->tick - it->tick;
                        off->matched = true;
                        break;
                    }
                }
            }
        }
    }

    const uint8_t* data_;
    size_t size_;
    std::list<ReferenceEvent> list_;
    ReferenceResult result_;
};

}  // namespace veltrano::test
