// The clearing sound: a short synthesised thump with a bright chime on top.
#include "generate.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {
constexpr int RATE = 22050;           // samples per second, mono
constexpr double LENGTH = 0.32;       // seconds
constexpr double FADE_IN = 0.002;     // seconds: starts without a click
constexpr double FADE_OUT = 0.04;     // seconds: ends exactly on silence
constexpr double PEAK = 0.85;         // of full scale, leaves headroom
constexpr double PI = 3.14159265358979323846;

void put_u32(std::vector<std::uint8_t> &out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void put_u16(std::vector<std::uint8_t> &out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

std::vector<double> synthesise() {
    const int n = static_cast<int>(LENGTH * RATE);
    std::vector<double> s(n);
    double thump_phase = 0.0, noise_low = 0.0;
    std::uint32_t noise_state = 12345;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / RATE;
        // A falling sine gives the punch of something landing hard.
        const double freq = 60.0 + 150.0 * std::exp(-t / 0.04);
        thump_phase += 2 * PI * freq / RATE;
        const double thump = std::sin(thump_phase) * std::exp(-t / 0.09);
        // A burst of softened noise is the crack at the start.
        noise_state = noise_state * 1664525u + 1013904223u;
        const double white = (noise_state >> 8) / double(1u << 24) * 2.0 - 1.0;
        noise_low += 0.35 * (white - noise_low);
        const double crack = noise_low * std::exp(-t / 0.015);
        // A fifth (A5 and E6) rings on as the tiles vanish.
        const double chime = (std::sin(2 * PI * 880.0 * t) + 0.6 * std::sin(2 * PI * 1320.0 * t)) *
                             std::exp(-t / 0.10) * 0.35;
        s[i] = thump + 0.8 * crack + chime;
    }
    double peak = 0.0;
    for (double v : s) peak = std::max(peak, std::fabs(v));
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / RATE, left = double(n - 1 - i) / RATE;
        double gain = PEAK / peak;
        if (t < FADE_IN) gain *= 0.5 - 0.5 * std::cos(PI * t / FADE_IN);
        if (left < FADE_OUT) gain *= 0.5 - 0.5 * std::cos(PI * left / FADE_OUT);
        s[i] *= gain;
    }
    return s;
}
}  // namespace

void write_clear_sound(const std::string &path) {
    const std::vector<double> s = synthesise();
    std::vector<std::uint8_t> data;
    for (double v : s) put_u16(data, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(v * 32767))));
    std::vector<std::uint8_t> out = {'R', 'I', 'F', 'F'};
    put_u32(out, static_cast<std::uint32_t>(36 + data.size()));
    out.insert(out.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put_u32(out, 16);
    put_u16(out, 1);  // PCM
    put_u16(out, 1);  // mono
    put_u32(out, RATE);
    put_u32(out, RATE * 2);
    put_u16(out, 2);   // bytes per frame
    put_u16(out, 16);  // bits per sample
    out.insert(out.end(), {'d', 'a', 't', 'a'});
    put_u32(out, static_cast<std::uint32_t>(data.size()));
    out.insert(out.end(), data.begin(), data.end());
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
}
