#include "ui/WaveSynth.h"

#include <algorithm>
#include <cmath>
#include <fstream>

namespace tv::WaveSynth {

namespace {

constexpr double pi = 3.14159265358979323846;

// A decaying sine burst added into `out` from `start` seconds.
void burst(std::vector<double>& out, double start, double frequency, double seconds, double decay,
           double level) {
    auto first = static_cast<std::size_t>(start * sampleRate);
    auto count = static_cast<std::size_t>(seconds * sampleRate);
    if (out.size() < first + count) {
        out.resize(first + count, 0.0);
    }
    for (std::size_t i = 0; i < count; ++i) {
        double t = static_cast<double>(i) / sampleRate;
        double attack = std::min(1.0, t / 0.0008);
        out[first + i] += level * attack * std::exp(-t * decay) * std::sin(2 * pi * frequency * t);
    }
}

void put16(std::vector<char>& out, std::uint16_t v) {
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>(v >> 8));
}

void put32(std::vector<char>& out, std::uint32_t v) {
    put16(out, static_cast<std::uint16_t>(v & 0xffff));
    put16(out, static_cast<std::uint16_t>(v >> 16));
}

}  // namespace

std::vector<std::int16_t> samples(const std::string& name) {
    std::vector<double> wave;
    if (name == "Select") {
        burst(wave, 0.0, 2200, 0.030, 220, 0.45);
        burst(wave, 0.0, 3300, 0.020, 320, 0.15);
    } else if (name == "Switch") {
        burst(wave, 0.0, 1400, 0.025, 260, 0.40);
        burst(wave, 0.018, 900, 0.030, 200, 0.35);
    } else {
        return {};
    }
    std::vector<std::int16_t> out;
    out.reserve(wave.size());
    for (double v : wave) {
        out.push_back(static_cast<std::int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * 32767)));
    }
    return out;
}

std::vector<char> waveFile(const std::vector<std::int16_t>& samples) {
    auto data = static_cast<std::uint32_t>(samples.size() * 2);
    std::vector<char> out;
    out.reserve(44 + data);
    for (char c : std::string("RIFF"))
        out.push_back(c);
    put32(out, 36 + data);
    for (char c : std::string("WAVEfmt "))
        out.push_back(c);
    put32(out, 16);
    put16(out, 1);  // PCM
    put16(out, 1);  // mono
    put32(out, sampleRate);
    put32(out, sampleRate * 2);
    put16(out, 2);
    put16(out, 16);
    for (char c : std::string("data"))
        out.push_back(c);
    put32(out, data);
    for (std::int16_t s : samples) {
        put16(out, static_cast<std::uint16_t>(s));
    }
    return out;
}

bool write(const std::string& folder, const std::string& name) {
    std::vector<char> bytes = waveFile(samples(name));
    std::ofstream out(folder + "/" + name + ".wav", std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace tv::WaveSynth
