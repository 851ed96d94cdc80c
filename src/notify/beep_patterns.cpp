#include "notify/beep_patterns.h"

#include "core/language.h"

#include <array>

namespace ombrix {
namespace {

using Tones = std::vector<Tone>;

void repeat(Tones& out, int times, const Tones& group) {
    for (int i = 0; i < times; ++i)
        out.insert(out.end(), group.begin(), group.end());
}

Tones standard() {
    return {{1000, 400}, {500, 200}, {1000, 400}, {500, 200}, {1000, 400}, {2000, 200}};
}

Tones phone() {
    Tones tones;
    repeat(tones, 50, {{900, 30}, {1300, 30}});
    return tones;
}

// Each rise starts at 0 Hz, which is a silent step.
Tones siren() {
    Tones sweep;
    for (unsigned step = 0; step <= 24; ++step)
        sweep.push_back({step * 100, 15});
    for (unsigned step = 25; step >= 1; --step)
        sweep.push_back({step * 100, 15});
    Tones tones;
    repeat(tones, 5, sweep);
    return tones;
}

Tones alarm() {
    Tones tones;
    repeat(tones, 5, {{1000, 500}, {500, 500}});
    tones.push_back({1000, 500});
    return tones;
}

// 70 bursts of nine 1-ms tones, a low 300-ms tone, 70 bursts again.
Tones technical() {
    const Tones burst = {{1200, 1}, {1500, 1}, {1200, 1}, {1500, 1}, {1200, 1},
                         {1500, 1}, {1200, 1}, {1500, 1}, {1200, 1}};
    Tones tones;
    repeat(tones, 70, burst);
    tones.push_back({100, 300});
    repeat(tones, 70, burst);
    return tones;
}

} // namespace

std::vector<Tone> beepPatternTones(std::uint8_t index) {
    switch (index) {
    case 0:
        return standard();
    case 1:
        return {{1400, 1400}};
    case 2:
        return {{1400, 200}};
    case 3:
        return phone();
    case 4:
        return siren();
    case 5:
        return alarm();
    case 6:
        return technical();
    default:
        return {};
    }
}

const char* beepPatternName(std::uint8_t index) {
    static constexpr std::array<std::array<const char*, 2>, kBeepPatternCount> kNames = {{
        {"Ombrix standard", "Ombrix default"},
        {"langer Piep", "long beep"},
        {"kurzer Piep", "short beep"},
        {"Telefon", "phone"},
        {"Sirene", "siren"},
        {"Alarm", "alarm"},
        {"Technisch", "technical"},
    }};
    if (index >= kBeepPatternCount)
        return nullptr;
    return Text(kNames[index][0], kNames[index][1]);
}

std::vector<Tone> silencingTones() {
    Tones tones;
    repeat(tones, 3, {{600, 300}, {100, 200}});
    return tones;
}

} // namespace ombrix
