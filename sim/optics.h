// What the simulated sensor's receiver sees: a colour target in front of it, lit by the
// transmitter at POWER, amplified at GAIN and integrated over INTEGRAL.
//
// Raw counts per channel c (red, green, blue):
//
//   raw_c = min(4095, kDarkCounts + reflectance_c * kWhiteCounts * POWER/1000
//                                   * 1.5^(GAIN-1) * INTEGRAL)
//
// so a white surface gives about 600 counts at full power, gain step 1 and integration 1, each
// gain step multiplies the signal by 1.5 and the integration scales it linearly. The sensor also
// reports each channel's peak within its averaging window (the three further signal values),
// about 1.6 % above the averaged value. From the raw values:
//
//   X = 4095 * R / (R+G+B),  Y = 4095 * G / (R+G+B),  INT = (R+G+B) / 3
//
// With these figures a bright target (white paper) crosses the 3200-count window during the
// gain steps (at GAIN 6), while the dark target (matt black foam, 0.2 % reflectance) stays
// below it even at GAIN 8 and INTEGRAL 99.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "params/records.h"

namespace sim {

struct Target {
    std::string name;
    double red = 0;  // reflectance per channel, 0 .. 1
    double green = 0;
    double blue = 0;
};

inline constexpr int kFullScale = 4095;
inline constexpr double kWhiteCounts = 600.0;
inline constexpr double kDarkCounts = 6.0;
inline constexpr double kGainStepFactor = 1.5;
inline constexpr uint16_t kMaxPower = 1000;

// The named targets: "white", "bright" (white paper), "red", "green", "blue", "yellow", "grey",
// "dark". Returns false for an unknown name.
bool TargetByName(const std::string& name, Target* target);
// The colours the demo cycles through.
std::vector<Target> SampleTargets();

// One reading of the receiver.
struct Reading {
    int raw[3] = {};   // R, G, B, 0 .. 4095
    int peak[3] = {};  // the three further signal values
    int x = 0;
    int y = 0;
    int intensity = 0;
    // The largest of raw and peak: what the power regulation and the teach assistant look at.
    int Maximum() const;
};

// noise: extra counts added to each channel (the caller draws them; 0 for an exact reading).
Reading Measure(const Target& target, uint16_t power, uint16_t gain, uint16_t integral,
                const int noise[3] = nullptr);

// POWER MODE 1: the power (0 .. 1000) that brings the largest signal to the middle of the
// dynamic window [lo, hi] at this gain and integration; full power when even that is too little.
uint16_t RegulatedPower(const Target& target, uint16_t gain, uint16_t integral, uint16_t lo,
                        uint16_t hi);

}  // namespace sim
