#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tv {

// The panel's click sounds, made here rather than shipped: 16-bit PCM mono wave files.
namespace WaveSynth {

constexpr int sampleRate = 44100;

// The samples of "Select" (a short, bright tick) or "Switch" (a lower double click); empty
// for any other name.
std::vector<std::int16_t> samples(const std::string& name);

// A complete RIFF/WAVE file holding the samples.
std::vector<char> waveFile(const std::vector<std::int16_t>& samples);

// Writes `name`.wav into `folder`; false when it cannot.
bool write(const std::string& folder, const std::string& name);

}  // namespace WaveSynth

}  // namespace tv
