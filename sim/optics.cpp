#include "sim/optics.h"

#include <algorithm>
#include <cmath>

namespace sim {
namespace {

const std::vector<Target>& namedTargets()
{
    static const std::vector<Target> targets = {
        {"white", 0.95, 0.95, 0.93},  {"bright", 0.88, 0.86, 0.80}, {"red", 0.70, 0.14, 0.10},
        {"green", 0.16, 0.55, 0.22},  {"blue", 0.10, 0.22, 0.62},   {"yellow", 0.82, 0.74, 0.12},
        {"grey", 0.30, 0.30, 0.30},   {"dark", 0.0021, 0.0020, 0.0019},
    };
    return targets;
}

// Signal counts per unit reflectance at the given settings, before the dark offset.
double sensitivity(uint16_t power, uint16_t gain, uint16_t integral)
{
    const int step = std::clamp<int>(gain, 1, 8);
    return kWhiteCounts * std::min<double>(power, kMaxPower) / kMaxPower *
           std::pow(kGainStepFactor, step - 1) * std::max<int>(integral, 1);
}

int saturate(double counts) { return static_cast<int>(std::clamp(std::lround(counts), 0L, long(kFullScale))); }

// The peak within the averaging window lies a little above the averaged value.
int peakOf(int raw) { return std::min(kFullScale, raw + raw / 64 + 1); }

}  // namespace

bool TargetByName(const std::string& name, Target* target)
{
    for (const Target& t : namedTargets())
        if (t.name == name) {
            if (target)
                *target = t;
            return true;
        }
    return false;
}

std::vector<Target> SampleTargets()
{
    std::vector<Target> samples;
    for (const char* name : {"white", "red", "green", "blue", "yellow", "grey"}) {
        Target t;
        TargetByName(name, &t);
        samples.push_back(t);
    }
    return samples;
}

int Reading::Maximum() const
{
    int m = 0;
    for (int c = 0; c < 3; ++c)
        m = std::max({m, raw[c], peak[c]});
    return m;
}

Reading Measure(const Target& target, uint16_t power, uint16_t gain, uint16_t integral,
                const int noise[3])
{
    const double s = sensitivity(power, gain, integral);
    const double reflectance[3] = {target.red, target.green, target.blue};
    Reading r;
    for (int c = 0; c < 3; ++c) {
        r.raw[c] = saturate(kDarkCounts + reflectance[c] * s + (noise ? noise[c] : 0));
        r.peak[c] = peakOf(r.raw[c]);
    }
    const int sum = r.raw[0] + r.raw[1] + r.raw[2];
    if (sum > 0) {
        r.x = static_cast<int>(std::lround(double(kFullScale) * r.raw[0] / sum));
        r.y = static_cast<int>(std::lround(double(kFullScale) * r.raw[1] / sum));
    }
    r.intensity = sum / 3;
    return r;
}

uint16_t RegulatedPower(const Target& target, uint16_t gain, uint16_t integral, uint16_t lo,
                        uint16_t hi)
{
    const double brightest = std::max({target.red, target.green, target.blue});
    // The peak runs about 1/64 above the raw value; aim the peak at the window's middle.
    const double aim = (double(lo) + double(hi)) / 2.0 / (1.0 + 1.0 / 64.0) - kDarkCounts;
    const double perPower = brightest * sensitivity(kMaxPower, gain, integral) / kMaxPower;
    if (perPower <= 0 || aim <= 0)
        return aim <= 0 ? 0 : kMaxPower;
    return static_cast<uint16_t>(std::clamp(std::lround(aim / perPower), 0L, long(kMaxPower)));
}

}  // namespace sim
