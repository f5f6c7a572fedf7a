#include "host/mci/midi_file.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace host {

namespace {

// A file may hold at most this many events: enough for any song, and a bound on the
// memory a damaged length field can make us use.
constexpr size_t kMaxEvents = 1u << 22;

struct TickEvent {
    uint64_t tick;
    uint32_t order;  // place in the file, so that events at one tick keep their order
    uint8_t status, data1, data2;
    uint32_t tempo;  // microseconds per quarter note for a tempo change (status 0xFF), else 0
};

// The status a time signature is kept under among the events (a system real-time value,
// which never stands in a file as a message of its own).
constexpr uint8_t kTimeSignature = 0xF9;

class Reader {
public:
    explicit Reader(std::span<const uint8_t> d) : data_(d) {}
    bool Has(size_t n) const { return n <= data_.size() - at_; }
    bool Done() const { return at_ == data_.size(); }
    uint8_t Byte() { return data_[at_++]; }
    uint8_t Peek() const { return data_[at_]; }
    uint32_t Big(int bytes) {
        uint32_t v = 0;
        for (int i = 0; i < bytes; ++i) v = v << 8 | data_[at_++];
        return v;
    }
    bool Skip(size_t n) {
        if (!Has(n)) return false;
        at_ += n;
        return true;
    }
    bool VarLen(uint32_t* v) {
        *v = 0;
        for (int i = 0; i < 4; ++i) {
            if (!Has(1)) return false;
            const uint8_t b = Byte();
            *v = *v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool Tag(const char* tag) {
        if (!Has(4) || !std::equal(tag, tag + 4, data_.begin() + ptrdiff_t(at_))) return false;
        at_ += 4;
        return true;
    }
    std::span<const uint8_t> Take(size_t n) {
        auto s = data_.subspan(at_, n);
        at_ += n;
        return s;
    }

private:
    std::span<const uint8_t> data_;
    size_t at_ = 0;
};

int DataBytes(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
}

// A meta event: tempo changes are kept, end of track ends the track. False on damage.
bool ReadMeta(Reader& r, uint64_t tick, std::vector<TickEvent>& out, uint32_t& order, bool* end) {
    if (!r.Has(1)) return false;
    const uint8_t type = r.Byte();
    uint32_t length = 0;
    if (!r.VarLen(&length) || !r.Has(length)) return false;
    if (type == 0x51 && length == 3) {
        out.push_back({tick, order++, 0xFF, 0, 0, r.Big(3)});
    } else if (type == 0x58 && length == 4) {
        const uint8_t beats = r.Byte(), power = r.Byte();
        out.push_back({tick, order++, kTimeSignature, beats, power, 0});
        r.Skip(2);
    } else {
        r.Skip(length);
    }
    *end = type == 0x2F;
    return true;
}

bool ReadTrack(std::span<const uint8_t> track, std::vector<TickEvent>& out, uint32_t& order, uint64_t* endTick) {
    Reader r(track);
    uint64_t tick = 0;
    uint8_t running = 0;
    while (!r.Done()) {
        uint32_t delta = 0;
        if (!r.VarLen(&delta) || !r.Has(1) || out.size() >= kMaxEvents) return false;
        tick += delta;
        uint8_t status = r.Peek();
        if (status & 0x80) r.Byte();
        else if (running) status = running;
        else return false;
        if (status == 0xFF) {
            bool end = false;
            if (!ReadMeta(r, tick, out, order, &end)) return false;
            if (end) break;
        } else if (status == 0xF0 || status == 0xF7) {
            uint32_t length = 0;
            if (!r.VarLen(&length) || !r.Skip(length)) return false;
        } else if (status >= 0xF0) {
            return false;  // system common and real-time messages have no place in a file
        } else {
            running = status;
            const int n = DataBytes(status);
            if (!r.Has(size_t(n))) return false;
            const uint8_t d1 = r.Byte() & 0x7F;
            const uint8_t d2 = n == 2 ? r.Byte() & 0x7F : 0;
            out.push_back({tick, order++, status, d1, d2, 0});
        }
    }
    *endTick = std::max(*endTick, tick);
    return true;
}

// A later tempo at the same tick replaces the earlier one.
void KeepTempo(std::vector<MidiTempo>& tempos, const MidiTempo& t) {
    if (tempos.back().tick == t.tick) tempos.back() = t;
    else tempos.push_back(t);
}

// Seconds of each tick after the tempo changes, in tick order; SMPTE divisions count
// frames of a fixed rate.
void Timestamp(std::vector<TickEvent>& ticks, uint16_t division, uint64_t endTick, MidiSequence* seq) {
    std::stable_sort(ticks.begin(), ticks.end(), [](const TickEvent& a, const TickEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    const bool smpte = division & 0x8000;
    const double smpteTick =
        smpte ? 1.0 / (double(-int8_t(division >> 8)) * double(division & 0xFF)) : 0;
    double tempo = 500000, seconds = 0;
    uint64_t lastTick = 0;
    bool signatureSeen = false;
    if (!smpte) seq->tempos.push_back({0, 0, 500000});
    auto advance = [&](uint64_t tick) {
        seconds += double(tick - lastTick) * (smpte ? smpteTick : tempo / 1e6 / double(division));
        lastTick = tick;
    };
    for (const TickEvent& e : ticks) {
        advance(e.tick);
        if (e.status == 0xFF) {
            tempo = e.tempo ? e.tempo : tempo;
            if (!smpte) KeepTempo(seq->tempos, {e.tick, seconds, uint32_t(tempo)});
        } else if (e.status == kTimeSignature) {
            // Only the first counts; a denominator beyond a 64th or a zero count is damage.
            if (!signatureSeen && e.data1 > 0 && e.data2 <= 6) {
                seq->beatsPerMeasure = e.data1;
                seq->beatNote = uint8_t(1u << e.data2);
            }
            signatureSeen = true;
        } else {
            seq->events.push_back({seconds, e.status, e.data1, e.data2});
        }
    }
    advance(endTick);
    seq->lengthSeconds = seconds;
}

bool ValidDivision(uint16_t division) {
    if (!(division & 0x8000)) return division != 0;
    const int fps = -int8_t(division >> 8);
    return (fps == 24 || fps == 25 || fps == 29 || fps == 30) && (division & 0xFF) != 0;
}

}  // namespace

bool ParseMidiFile(std::span<const uint8_t> file, MidiSequence* sequence) {
    *sequence = MidiSequence{};
    Reader r(file);
    if (!r.Tag("MThd") || !r.Has(4)) return false;
    const uint32_t headerLength = r.Big(4);
    if (headerLength < 6 || !r.Has(headerLength)) return false;
    const uint16_t format = uint16_t(r.Big(2)), tracks = uint16_t(r.Big(2)), division = uint16_t(r.Big(2));
    r.Skip(headerLength - 6);
    if (format > 1 || tracks == 0 || (format == 0 && tracks != 1) || !ValidDivision(division)) return false;
    std::vector<TickEvent> ticks;
    uint32_t order = 0;
    uint64_t endTick = 0;
    // Chunks of other kinds (a file's own information, from a later standard or another
    // program) are passed over, as the standard asks of a reader.
    for (uint16_t t = 0; t < tracks;) {
        if (!r.Has(8)) return false;
        const bool track = r.Tag("MTrk");
        if (!track) r.Skip(4);
        const uint32_t length = r.Big(4);
        if (!r.Has(length)) return false;
        const std::span<const uint8_t> body = r.Take(length);
        if (!track) continue;
        if (!ReadTrack(body, ticks, order, &endTick)) return false;
        ++t;
    }
    Timestamp(ticks, division, endTick, sequence);
    sequence->lengthTicks = endTick;
    sequence->division = division;
    return true;
}

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

}  // namespace host
