// The tune and the clearing sound as the game loads them from stuff.dat.
#include <allegro.h>
#include <gtest/gtest.h>
#include <stuff.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>

namespace {
constexpr int DRUM_CHANNEL = 9;

class Sounds : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(install_allegro(SYSTEM_NONE, &errno, atexit), 0);
        set_color_depth(32);
        packfile_password("amber crest");
        stuff = load_datafile((std::string(ZINDLE_DATA_DIR) + "/stuff.dat").c_str());
        packfile_password(nullptr);
    }
    static DATAFILE *stuff;
};
DATAFILE *Sounds::stuff = nullptr;

// What a walk through the tune's tracks finds.
struct Score {
    double seconds = 0;               // to the last track's end
    std::set<int> track_end_ticks;    // every track must end on the loop point
    std::map<int, int> notes;         // channel -> note-ons
    std::set<int> programs;           // channels given an instrument
    int hanging_notes = 0;            // note-ons never released
    int pitch_range_low = 127, pitch_range_high = 0;
};

std::uint32_t read_variable(const unsigned char *&p) {
    std::uint32_t v = 0;
    unsigned char c;
    do {
        c = *p++;
        v = (v << 7) | (c & 0x7F);
    } while (c & 0x80);
    return v;
}

// Reads one track into `score`; tempo changes go into `tempo` by tick.
void read_track(const unsigned char *p, int len, Score &score, std::map<long, std::uint32_t> &tempo) {
    const unsigned char *end = p + len;
    long tick = 0;
    unsigned char status = 0;
    std::map<int, int> sounding;  // channel * 128 + note -> count
    while (p < end) {
        tick += read_variable(p);
        if (*p & 0x80) status = *p++;
        if (status == 0xFF) {
            const unsigned char type = *p++;
            const std::uint32_t n = read_variable(p);
            if (type == 0x51) tempo[tick] = (p[0] << 16) | (p[1] << 8) | p[2];
            if (type == 0x2F) score.track_end_ticks.insert(static_cast<int>(tick));
            p += n;
            continue;
        }
        const int kind = status & 0xF0, channel = status & 0x0F;
        if (kind == 0xC0 || kind == 0xD0) {
            if (kind == 0xC0) score.programs.insert(channel);
            ++p;
            continue;
        }
        const int note = p[0], velocity = p[1];
        p += 2;
        if (kind == 0x90 && velocity > 0) {
            ++score.notes[channel];
            ++sounding[channel * 128 + note];
            if (channel != DRUM_CHANNEL) {
                score.pitch_range_low = std::min(score.pitch_range_low, note);
                score.pitch_range_high = std::max(score.pitch_range_high, note);
            }
        } else if (kind == 0x80 || kind == 0x90) {
            --sounding[channel * 128 + note];
        }
    }
    for (const auto &s : sounding) score.hanging_notes += s.second;
}

Score read_score(const MIDI *midi) {
    Score score;
    std::map<long, std::uint32_t> tempo = {{0, 500000}};
    for (const auto &track : midi->track)
        if (track.data) read_track(track.data, track.len, score, tempo);
    const long end = score.track_end_ticks.empty() ? 0 : *score.track_end_ticks.rbegin();
    for (auto it = tempo.begin(); it != tempo.end(); ++it) {
        const auto next = std::next(it);
        const long until = std::min(end, next == tempo.end() ? end : next->first);
        if (until > it->first) score.seconds += double(until - it->first) / midi->divisions * it->second / 1e6;
    }
    return score;
}

TEST_F(Sounds, TuneLastsAMinuteOrSoAndLoopsCleanly) {
    ASSERT_NE(stuff, nullptr);
    const Score score = read_score(static_cast<MIDI *>(stuff[STUFF_MUSIC].dat));
    EXPECT_GE(score.seconds, 40.0);
    EXPECT_LE(score.seconds, 90.0);
    EXPECT_EQ(score.track_end_ticks.size(), 1u) << "every track must end on the loop point";
    EXPECT_EQ(score.hanging_notes, 0) << "a note left sounding would smear the loop";
}

TEST_F(Sounds, TuneHasMelodyBassAndDrums) {
    ASSERT_NE(stuff, nullptr);
    const Score score = read_score(static_cast<MIDI *>(stuff[STUFF_MUSIC].dat));
    int pitched_voices = 0;
    for (const auto &[channel, count] : score.notes) {
        if (channel == DRUM_CHANNEL) continue;
        ++pitched_voices;
        EXPECT_TRUE(score.programs.count(channel)) << "channel " << channel << " has no instrument";
        EXPECT_GE(count, 32) << "channel " << channel << " hardly plays";
    }
    EXPECT_GE(pitched_voices, 2);
    EXPECT_GE(score.notes.count(DRUM_CHANNEL) ? score.notes.at(DRUM_CHANNEL) : 0, 100) << "the percussion";
    EXPECT_LE(score.pitch_range_low, 48) << "a bass line below C3";
    EXPECT_GE(score.pitch_range_high, 72) << "a melody above C5";
}

TEST_F(Sounds, ClearingSoundIsShortLoudAndClickFree) {
    ASSERT_NE(stuff, nullptr);
    const SAMPLE *bam = static_cast<SAMPLE *>(stuff[STUFF_BAM].dat);
    ASSERT_EQ(bam->bits, 16);
    ASSERT_FALSE(bam->stereo);
    const double seconds = double(bam->len) / bam->freq;
    EXPECT_GE(seconds, 0.1);
    EXPECT_LE(seconds, 0.5);
    // Allegro keeps 16-bit samples unsigned, centred on 0x8000.
    const auto *data = static_cast<const std::uint16_t *>(bam->data);
    auto level = [&](unsigned long i) { return std::abs(int(data[i]) - 0x8000) / 32768.0; };
    double peak = 0, energy = 0;
    for (unsigned long i = 0; i < bam->len; ++i) {
        peak = std::max(peak, level(i));
        energy += level(i) * level(i);
    }
    EXPECT_GE(peak, 0.5) << "too quiet to be punchy";
    EXPECT_LT(peak, 0.99) << "clipped";
    EXPECT_GE(std::sqrt(energy / bam->len), 0.08) << "too thin";
    EXPECT_LT(level(0), 0.01) << "a click at the start";
    EXPECT_LT(level(bam->len - 1), 0.01) << "a click at the end";
}
}  // namespace
