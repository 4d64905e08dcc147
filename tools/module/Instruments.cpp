#include "Instruments.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>
#include <stdexcept>

#include "Notes.h"
#include "Synth.h"

namespace {

constexpr int C3 = 24;  // tracker note at which pitched samples are rendered
constexpr double NEVER = std::numeric_limits<double>::infinity();

std::vector<float> silence(double duration, double rate) {
    return std::vector<float>(static_cast<size_t>(duration * rate) & ~size_t{1}, 0.0f);
}

double seconds(size_t frame, double rate) { return static_cast<double>(frame) / rate; }

double attackDecay(double t, double attack, double decay) { return std::min(1.0, t / attack) * std::exp(-t / decay); }

// Smooth last few milliseconds so one-shots end on zero.
void taper(std::vector<float>& frames, double rate) {
    const size_t length = std::min(frames.size(), static_cast<size_t>(0.01 * rate));
    for (size_t i = 0; i < length; ++i) {
        frames[frames.size() - 1 - i] *= static_cast<float>(i) / static_cast<float>(length);
    }
}

int evenFrame(double seconds, double rate) { return static_cast<int>(seconds * rate / 2.0) * 2; }

int renderNote(const InstrumentSlot& slot) {
    if (slot.arguments.empty()) {
        return C3;
    }
    const int note = parseTrackerNote(slot.arguments[0]);
    if (note < 0) {
        throw std::runtime_error(slot.name + ": expected a tracker note such as B-3");
    }
    return note;
}

double rootHz(const InstrumentSlot& slot) {
    if (slot.arguments.size() != 1) {
        throw std::runtime_error(slot.name + ": expected the pitch of C-3, such as C2");
    }
    return midiHz(parsePitch(slot.arguments[0]));
}

// A kick that speaks on small speakers: a fast drop through a 120 Hz punch onto a 50 Hz body
// that is gone in a quarter second (the bass between the beats stays clear), and a click
// around 3 kHz that marks the beat in a dense mix.
Rendered kick(double rate) {
    Rendered out{rate, silence(0.32, rate)};
    Noise noise{0x1234567u};
    StateVariable click;
    double phase = 0.0, punch = 0.0;
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        phase += TWO_PI * (50.0 + 75.0 * std::exp(-t / 0.05) + 260.0 * std::exp(-t / 0.005)) / rate;
        punch += TWO_PI * (110.0 + 60.0 * std::exp(-t / 0.01)) / rate;
        const double body = std::sin(phase) * attackDecay(t, 0.001, 0.11);
        const double knock = std::sin(punch) * attackDecay(t, 0.0005, 0.04) * 0.6;
        const double tick = click.bandpass(noise.next(), 3000.0, rate, 0.6f) * std::exp(-t / 0.004) * 1.2 +
                            std::sin(TWO_PI * 3000.0 * t) * std::exp(-t / 0.002) * 0.3;
        out.frames[n] = static_cast<float>(std::tanh(2.2 * (body + knock + tick)));
    }
    taper(out.frames, rate);
    return out;
}

// A tuned drum (185 and 330 Hz), the wires, and a clap of three quick strikes with early
// reflections, then a dark noise tail held for 150 ms and gated shut: the big-drum snare of the
// eighties.
Rendered snare(double rate) {
    Rendered out{rate, silence(0.3, rate)};
    Noise noise{0x2468ace1u};
    OnePole low = onePole(5000.0, rate), high = onePole(900.0, rate), clapLow = onePole(2500.0, rate),
            clapHigh = onePole(800.0, rate), roomLow = onePole(4500.0, rate), roomLower = onePole(7000.0, rate),
            roomHigh = onePole(500.0, rate);
    std::vector<double> dry(out.frames.size(), 0.0);
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        const float white = noise.next();
        const double wires = high.highpass(low.lowpass(white)) * attackDecay(t, 0.001, 0.1);
        double clapEnvelope = 0.0;
        for (double start : {0.0, 0.011, 0.023}) {
            if (t >= start) {
                clapEnvelope += std::exp(-(t - start) / 0.008);
            }
        }
        const double clap = clapHigh.highpass(clapLow.lowpass(white)) * clapEnvelope;
        const double tone =
            (std::sin(TWO_PI * 185.0 * t) * 0.7 + std::sin(TWO_PI * 330.0 * t) * 0.3) * attackDecay(t, 0.001, 0.08);
        dry[n] = tone * 0.9 + wires * 1.1 + clap * 0.8;
    }
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        double reflections = 0.0;
        for (const auto& [delay, gain] : {std::pair{0.009, 0.35}, std::pair{0.017, -0.28}, std::pair{0.026, 0.22},
                                          std::pair{0.037, -0.17}, std::pair{0.051, 0.12}}) {
            const size_t back = static_cast<size_t>(delay * rate);
            if (n >= back) {
                reflections += gain * dry[n - back];
            }
        }
        const double gate = std::min(1.0, t / 0.008) * (t < 0.15 ? 1.0 - t : std::max(0.0, 0.85 - (t - 0.15) / 0.03));
        const double room = roomHigh.highpass(roomLower.lowpass(roomLow.lowpass(noise.next()))) * gate * 0.5;
        out.frames[n] = static_cast<float>(std::tanh(2.8 * (dry[n] + reflections + room)));
    }
    taper(out.frames, rate);
    return out;
}

// A tom: a sine that drops a fifth as it rings, with a soft stick noise; the fills play it at
// several notes.
Rendered tom(double rate) {
    Rendered out{rate, silence(0.5, rate)};
    Noise noise{0x70a70au};
    OnePole stick = onePole(3000.0, rate);
    double phase = 0.0;
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        phase += TWO_PI * 190.0 * (1.0 + 0.5 * std::exp(-t / 0.05)) / rate;
        const double hit = stick.lowpass(noise.next()) * std::exp(-t / 0.006);
        out.frames[n] = static_cast<float>(std::tanh(1.5 * (std::sin(phase) * attackDecay(t, 0.001, 0.16) + hit)));
    }
    taper(out.frames, rate);
    return out;
}

// Six detuned square waves plus noise, high-passed: the classic metallic cymbal recipe, with a
// gentle low-pass at 9 kHz so that the air above is not all hats.
Rendered metal(double rate, double duration, double decay, double cutoffHz, uint32_t seed) {
    Rendered out{rate, silence(duration, rate)};
    Noise noise{seed};
    OnePole first = onePole(cutoffHz, rate), second = onePole(cutoffHz, rate), top = onePole(9000.0, rate);
    const double tones[] = {205.3, 304.4, 369.6, 522.7, 540.0, 800.0};
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        double square = 0.0;
        for (double hz : tones) {
            square += std::sin(TWO_PI * hz * 2.0 * t) > 0.0 ? 1.0 : -1.0;
        }
        const double raw = square / 6.0 * 0.6 + noise.next() * 0.8;
        out.frames[n] = static_cast<float>(top.lowpass(second.highpass(first.highpass(static_cast<float>(raw)))) *
                                           attackDecay(t, 0.0008, decay));
    }
    taper(out.frames, rate);
    return out;
}

Rendered shatter(double rate) {
    Rendered out{rate, silence(1.4, rate)};
    Noise noise{0x51a77e4u};
    OnePole high = onePole(2500.0, rate);
    for (size_t n = 0; n < out.frames.size(); ++n) {
        out.frames[n] = high.highpass(noise.next()) * static_cast<float>(attackDecay(seconds(n, rate), 0.001, 0.25));
    }
    // Glass splinters: short high pings scattered over the first half second, most of them early.
    for (int ping = 0; ping < 48; ++ping) {
        const double u = (noise.next() + 1.0) * 0.5;
        const double start = 0.5 * u * u;
        const double hz = 2500.0 + (noise.next() + 1.0) * 0.5 * std::min(7000.0, rate * 0.42 - 2500.0);
        const double decay = 0.03 + (noise.next() + 1.0) * 0.1;
        const double level = 0.25 + (noise.next() + 1.0) * 0.3;
        for (size_t n = static_cast<size_t>(start * rate); n < out.frames.size(); ++n) {
            const double t = seconds(n, rate) - start;
            out.frames[n] += static_cast<float>(level * std::sin(TWO_PI * hz * t) * attackDecay(t, 0.0005, decay));
        }
    }
    taper(out.frames, rate);
    return out;
}

// The hit under a scene change: a low sine falling from 150 to 40 Hz over a second and a half,
// a burst of noise that darkens as it dies away, and its rumble.
Rendered impact(double rate) {
    Rendered out{rate, silence(1.6, rate)};
    Noise noise{0x1a9ac7u};
    OnePole burst = onePole(3500.0, rate), rumble = onePole(300.0, rate);
    double phase = 0.0;
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double t = seconds(n, rate);
        phase += TWO_PI * (40.0 + 110.0 * std::exp(-t / 0.3)) / rate;
        burst.coefficient = onePole(300.0 + 3200.0 * std::exp(-t / 0.15), rate).coefficient;
        const float white = noise.next();
        const double boom = std::sin(phase) * attackDecay(t, 0.002, 0.6);
        const double hit = burst.lowpass(white) * attackDecay(t, 0.001, 0.3) * 2.5;
        const double roll = rumble.lowpass(white) * attackDecay(t, 0.02, 0.5) * 2.5;
        out.frames[n] = static_cast<float>(std::tanh(2.6 * (boom + hit + roll)));
    }
    taper(out.frames, rate);
    return out;
}

Rendered riser(double rate) {
    Rendered out{rate, silence(3.9, rate)};
    Noise noise{0x7157e5u};
    StateVariable sweep;
    const double length = seconds(out.frames.size(), rate);
    for (size_t n = 0; n < out.frames.size(); ++n) {
        const double progress = seconds(n, rate) / length;
        const double cutoff = 250.0 * std::pow(36.0, progress);
        out.frames[n] = sweep.bandpass(noise.next(), cutoff, rate, 0.35f) * static_cast<float>(progress * progress);
    }
    taper(out.frames, rate);
    return out;
}

double lowpass(double hz, double cutoff) { return 1.0 / std::sqrt(1.0 + std::pow(hz / cutoff, 4.0)); }

double highpass(double hz, double cutoff) { return lowpass(cutoff, hz); }

double resonance(double hz, double cutoff, double amount) {
    const double x = (hz - cutoff) / (0.3 * cutoff);
    return 1.0 + amount * std::exp(-x * x);
}

constexpr int OVERSAMPLE = 4;

// A slow wobble for a held sound, 1 + depth x sin, once round in a loop so that the loop ends as it
// began; at rest before the loop.
double drift(double t, double loopStart, double loopSeconds, double depth) {
    return t <= loopStart ? 1.0 : 1.0 + depth * std::sin(TWO_PI * (t - loopStart) / loopSeconds);
}

// A sustained tone: an attack of attackSeconds, then a seamless loop of whole cycles. It is
// rendered at four times the rate and bent through tanh there, then filtered down, so the
// harmonics the bend adds above the band do not fold back between the notes' own.
Rendered sustained(double rate, double hz, double attackSeconds, int minLoop, double drive,
                   const std::function<void(std::vector<float>&, double rate, double hz, double loopStartSeconds,
                                            int loopLength)>& voices) {
    const int loopStart = evenFrame(attackSeconds, rate);
    const int loopLength = loopLengthFor(hz, rate, minLoop);
    const double high = rate * OVERSAMPLE;
    Rendered out{high, std::vector<float>(static_cast<size_t>((loopStart + loopLength) * OVERSAMPLE), 0.0f),
                 loopStart * OVERSAMPLE, loopLength * OVERSAMPLE};
    voices(out.frames, high, fitToLoop(hz, high, out.loopLength), out.loopStart / high, out.loopLength);
    saturate(out.frames, drive);
    return decimate(out, OVERSAMPLE);
}

// Each note plucks: a filter that opens on the attack, a level that falls to a third within a
// quarter second and holds there, so repeated notes pulse instead of standing as a wall.
Rendered bass(double rate, double hz) {
    return sustained(rate, hz, 0.4, 8192, 1.8,
                     [](std::vector<float>& frames, double high, double root, double freeze, int) {
                         addHarmonics(
                             frames, high, root, 0.0, freeze,
                             [](int h, double f, double t) {
                                 const double cutoff = 380.0 + 2600.0 * std::exp(-t / 0.05);
                                 const double wave = (h == 1 ? 1.6 : 1.0) / h * (h % 2 ? 1.0 : 0.55);
                                 return wave * lowpass(f, cutoff) * resonance(f, cutoff, 0.8);
                             },
                             [freeze](double t) {
                                 return std::min(1.0, t / 0.003) * (0.3 + 0.7 * std::exp(-std::min(t, freeze) / 0.09));
                             });
                     });
}

// Three detuned saws and a sub-octave square; cutoffHz sets how bright the saws settle, they open
// half as far again on the attack, and a held note's filter drifts by an eighth once a loop.
Rendered lead(double rate, double hz, double cutoffHz) {
    return sustained(rate, hz, 0.35, 16384, 2.6,
                     [cutoffHz](std::vector<float>& frames, double high, double root, double freeze, int loop) {
                         const double loopSeconds = loop / high;
                         const auto saw = [cutoffHz, freeze, loopSeconds](int h, double f, double t) {
                             const double cutoff = cutoffHz * (1.0 + 0.5 * std::exp(-std::min(t, freeze) / 0.12)) *
                                                   drift(t, freeze, loopSeconds, 0.12);
                             return 1.0 / h * lowpass(f, cutoff) * resonance(f, cutoff, 0.5);
                         };
                         const auto gain = [freeze](double t) {
                             return std::min(1.0, t / 0.006) * (0.85 + 0.15 * std::exp(-std::min(t, freeze) / 0.15));
                         };
                         for (double cents : {0.0, 9.0, -9.0}) {
                             const double voice = fitToLoop(root * std::pow(2.0, cents / 1200.0), high, loop);
                             addHarmonics(frames, high, voice, cents * 0.1, NEVER, saw, gain);
                         }
                         addHarmonics(
                             frames, high, fitToLoop(root / 2.0, high, loop), 0.0, freeze,
                             [](int h, double f, double) { return h % 2 ? 0.5 / h * lowpass(f, 1800.0) : 0.0; }, gain);
                     });
}

Rendered vox(double rate, double hz) {
    return sustained(
        rate, hz, 0.25, 16384, 1.8, [](std::vector<float>& frames, double high, double root, double freeze, int loop) {
            const auto ah = [](int h, double f, double) {
                double formants = 0.0;
                for (const auto& [centre, width, level] :
                     {std::tuple{750.0, 120.0, 1.0}, std::tuple{1200.0, 140.0, 0.55}, std::tuple{2700.0, 220.0, 0.3}}) {
                    const double x = (f - centre) / width;
                    formants += level / (1.0 + x * x);
                }
                return formants / std::pow(h, 0.6);
            };
            const auto swell = [](double t) {
                const double x = std::min(1.0, t / 0.2);
                return x * x * (3.0 - 2.0 * x);
            };
            for (double cents : {0.0, 7.0, -6.0, 13.0}) {
                const double voice = fitToLoop(root * std::pow(2.0, cents / 1200.0), high, loop);
                addHarmonics(frames, high, voice, cents * 0.37, freeze, ah, swell);
            }
        });
}

Rendered pluck(double rate, double hz) {
    Rendered out{rate, silence(0.7, rate)};
    addHarmonics(
        out.frames, rate, hz, 0.0, NEVER,
        [](int h, double f, double t) {
            const double cutoff = 1200.0 + 6000.0 * std::exp(-t / 0.06);
            return (h % 2 ? 1.0 : 0.4) / h * lowpass(f, cutoff);
        },
        [](double t) { return attackDecay(t, 0.002, 0.2); });
    taper(out.frames, rate);
    return out;
}

std::vector<double> chordHz(const InstrumentSlot& slot) {
    if (slot.arguments.empty()) {
        throw std::runtime_error(slot.name + ": a chord needs notes");
    }
    std::vector<double> notes;
    for (const std::string& pitch : slot.arguments) {
        notes.push_back(midiHz(parsePitch(pitch)));
    }
    return notes;
}

// About a bar as the chords are played (at C-3 to F-2); the song strikes a chord past it with 97B.
constexpr double SWELL_SECONDS = 1.9;
// The detuning of each note's three saws in the left and the right copy, in cents.
constexpr std::array<double, 3> LEFT_CENTS = {0.0, -8.0, 8.0};
constexpr std::array<double, 3> RIGHT_CENTS = {3.0, -11.0, 10.0};

// Three detuned saws a note, softened at both ends so the chord leaves the low mids to the bass
// (steeply under 170 Hz: what a pad puts there sounds in the sides) and the top to the lead. Its
// first bar swells, the filter opening from a third of cutoffHz and the level from half, and in the
// loop the filter drifts by a fifth and back. The right-hand copy detunes and phases its voices otherwise, so the
// two copies never fold back into one sound in the middle.
Rendered pad(double rate, const std::vector<double>& notes, double cutoffHz, bool right) {
    Rendered out{rate, {}};
    // The loop starts on a multiple of 256 frames, where a sample offset (9xx) can strike it.
    out.loopStart = static_cast<int>(SWELL_SECONDS * rate / 256.0) * 256;
    out.loopLength = 32768;
    out.frames.assign(static_cast<size_t>(out.loopStart + out.loopLength), 0.0f);
    Noise phases{right ? 0x5eed1e5u : 0xbadc0deu};
    const double freeze = out.loopStart / rate, loopSeconds = out.loopLength / rate;
    const auto swell = [freeze](double t) {
        const double x = std::min(1.0, t / freeze);
        return x * x * (3.0 - 2.0 * x);
    };
    for (double note : notes) {
        for (double cents : right ? RIGHT_CENTS : LEFT_CENTS) {
            const double hz = fitToLoop(note * std::pow(2.0, cents / 1200.0), rate, out.loopLength);
            addHarmonics(
                out.frames, rate, hz, phases.next() * 3.14159, NEVER,
                [cutoffHz, freeze, loopSeconds, &swell](int h, double f, double t) {
                    const double low = highpass(f, 170.0);
                    const double cutoff = cutoffHz * (0.33 + 0.67 * swell(t)) * drift(t, freeze, loopSeconds, 0.2);
                    return 1.0 / h * lowpass(f, cutoff) * low * low;
                },
                [&swell](double t) {
                    const double x = std::min(1.0, t / 0.04);
                    return x * x * (3.0 - 2.0 * x) * (0.5 + 0.5 * swell(t));
                });
        }
    }
    return out;
}

// Electric-piano chord: a sine with a fading bell partial and a short tine strike.
Rendered keys(double rate, const std::vector<double>& notes) {
    Rendered out{rate, silence(2.6, rate)};
    for (double note : notes) {
        for (double detune : {-0.6, 0.6}) {
            const double hz = note + detune;
            for (size_t n = 0; n < out.frames.size(); ++n) {
                const double t = seconds(n, rate);
                const double x = TWO_PI * hz * t;
                double value = std::sin(x) + 0.3 * std::exp(-t / 0.5) * std::sin(2.0 * x) +
                               0.12 * std::exp(-t / 0.25) * std::sin(3.0 * x);
                if (hz * 7.0 < rate * 0.45) {
                    value += 0.18 * std::exp(-t / 0.04) * std::sin(7.0 * x);
                }
                out.frames[n] += static_cast<float>(value * attackDecay(t, 0.003, 1.3));
            }
        }
    }
    taper(out.frames, rate);
    return out;
}

Rendered saturated(Rendered rendered, double drive) {
    saturate(rendered.frames, drive);
    return rendered;
}

SampleData finish(const InstrumentSlot& slot, Rendered rendered) {
    if (rendered.frames.size() % 2) {
        rendered.frames.push_back(0.0f);
    }
    SampleData sample;
    sample.name = slot.name;
    sample.data = toBytes(rendered.frames);
    sample.loopStart = rendered.loopStart;
    sample.loopLength = rendered.loopLength;
    sample.volume = slot.volume;
    return sample;
}

// A pad's arguments: the chord's pitches, then "dark" or "open", then "left" or "right".
Rendered padFor(const InstrumentSlot& slot) {
    std::vector<std::string> words = slot.arguments;
    const bool right = !words.empty() && words.back() == "right";
    if (!words.empty() && (words.back() == "right" || words.back() == "left")) {
        words.pop_back();
    }
    const std::map<std::string, double> cutoffs = {{"dark", 1300.0}, {"open", 4500.0}};
    if (words.empty() || !cutoffs.count(words.back())) {
        throw std::runtime_error(slot.name + ": a pad ends with dark or open, then left or right");
    }
    const double cutoff = cutoffs.at(words.back());
    words.pop_back();
    InstrumentSlot chord = slot;
    chord.arguments = words;
    return saturated(pad(noteRate(C3), chordHz(chord), cutoff, right), 1.5);
}

// A lead's arguments: the pitch of C-3, then "dark" or "open".
Rendered leadFor(const InstrumentSlot& slot) {
    const std::map<std::string, double> cutoffs = {{"dark", 1700.0}, {"open", 6000.0}};
    if (slot.arguments.size() != 2 || !cutoffs.count(slot.arguments[1])) {
        throw std::runtime_error(slot.name + ": a lead takes the pitch of C-3, then dark or open");
    }
    return lead(noteRate(C3), midiHz(parsePitch(slot.arguments[0])), cutoffs.at(slot.arguments[1]));
}

}  // namespace

SampleData renderInstrument(const InstrumentSlot& slot) {
    // Drums and effects are rendered at the rate of the note they are played at; pitched
    // sounds at C-3, where their argument says which pitch C-3 sounds.
    const auto rate = [&slot] { return noteRate(renderNote(slot)); };
    const std::map<std::string, std::function<Rendered()>> recipes = {
        {"kick", [&] { return kick(rate()); }},
        {"snare", [&] { return snare(rate()); }},
        {"tom", [&] { return tom(rate()); }},
        {"hat", [&] { return saturated(metal(rate(), 0.25, 0.1, 5500.0, 0xc105edu), 2.5); }},
        {"ohat", [&] { return saturated(metal(rate(), 0.6, 0.22, 6000.0, 0x0be2u), 2.5); }},
        {"crash", [&] { return saturated(metal(rate(), 2.3, 0.8, 3000.0, 0xc2a54u), 1.6); }},
        {"shatter", [&] { return shatter(rate()); }},
        {"impact", [&] { return impact(rate()); }},
        {"riser", [&] { return riser(rate()); }},
        {"bass", [&] { return bass(noteRate(C3), rootHz(slot)); }},
        {"lead", [&] { return leadFor(slot); }},
        {"vox", [&] { return vox(noteRate(C3), rootHz(slot)); }},
        {"pluck", [&] { return saturated(pluck(noteRate(C3), rootHz(slot)), 1.5); }},
        {"pad", [&] { return padFor(slot); }},
        {"keys", [&] { return saturated(keys(noteRate(C3), chordHz(slot)), 1.5); }},
    };
    auto found = recipes.find(slot.recipe);
    if (found == recipes.end()) {
        throw std::runtime_error("unknown recipe " + slot.recipe);
    }
    return finish(slot, found->second());
}
