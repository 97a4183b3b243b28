// Numeric utilities: comparisons within a fixed tolerance, clamping, the per-thread
// random generator, constants, unit conversions and rounding away from zero.
//
// Choices:
//  - The generator is Wichmann and Hill's three-state generator (Applied Statistics
//    algorithm AS 183) seeded from the low 14 bits of the seed. A seed whose low 14 bits
//    are all zero would start it in the state 0, which it never leaves (every draw 0):
//    such a seed starts from its next 14 bits instead, then from its top 4 bits, and a
//    seed that is zero in all of them starts from 1. Every other seed is used as is.
//  - RoundToNextMultiple works with the magnitude of the multiple, so a negative
//    multiple rounds away from zero too (the bare formula would round 7 by -5 to 0). A
//    multiple of 0 leaves the value as it is; a result beyond the int range wraps
//    around, as 32-bit arithmetic does.
//  - When the calling thread's library state cannot be had (memory exhausted), Random
//    returns low and SetRandomSeed does nothing.
#include <cmath>
#include <cstdint>
#include <ctime>
#include <initializer_list>

#include "toolbox_internal.h"

namespace {

constexpr double kTolerance = 1e-8;

constexpr int kModulus[3] = {30269, 30307, 30323};
constexpr int kMultiplier[3] = {171, 172, 170};
constexpr unsigned kLow14Bits = 16383;

// The generator's first state for a seed: its low 14 bits, never 0 (see above).
int firstState(int seed) {
    std::uint32_t bits = static_cast<std::uint32_t>(seed);
    for (std::uint32_t candidate : {bits & kLow14Bits, (bits >> 14) & kLow14Bits, bits >> 28})
        if (candidate != 0) return static_cast<int>(candidate);
    return 1;
}

void reseed(tb::LibraryThreadState &state) {
    state.generator[0] = firstState(state.randomSeed);
    state.generator[1] = (8191 * state.generator[0]) & kLow14Bits;
    state.generator[2] = (8191 * state.generator[1]) & kLow14Bits;
    for (int k = 0; k < 3; ++k) state.reciprocal[k] = 1.0 / kModulus[k];
}

// The next draw in [0, 1) of this thread's generator.
double nextDraw(tb::LibraryThreadState &state) {
    if (state.reseedPending) {
        state.reseedPending = 0;
        reseed(state);
    }
    double u = 0.0;
    for (int k = 0; k < 3; ++k) {
        state.generator[k] = kMultiplier[k] * state.generator[k] % kModulus[k];
        u += state.generator[k] * state.reciprocal[k];
    }
    u -= std::floor(u);
    return u < 0.0 ? u + 1.0 : u;
}

// A nonzero reading of the processor clock, as an int.
int nonzeroClock() {
    int value = 0;
    while (value == 0) value = static_cast<int>(static_cast<std::uint32_t>(std::clock()));
    return value;
}

}  // namespace

extern "C" {

int FP_EQ(double x, double y) {
    double difference = y == 0.0 ? x : x == 0.0 ? y : x / y - 1.0;
    return difference < kTolerance && difference > -kTolerance && std::fabs(x - y) < kTolerance;
}

int FP_GT(double x, double y) {
    if (y == 0.0) return x > 0.0;
    if (x == 0.0) return y < 0.0;
    double ratio = x / y;
    if (ratio <= 0.0 || std::fabs(x - y) > kTolerance) return x > y;
    if (y > 0.0) return ratio - 1.0 >= kTolerance;
    if (y < 0.0) return ratio - 1.0 <= -kTolerance;
    return 0;
}

int FP_GE(double x, double y) {
    if (y == 0.0) return x >= 0.0;
    if (x == 0.0) return y <= 0.0;
    double ratio = x / y;
    if (ratio <= 0.0 || std::fabs(x - y) > kTolerance) return x > y;
    if (y > 0.0) return ratio - 1.0 > -kTolerance;
    if (y < 0.0) return ratio - 1.0 < kTolerance;
    return 0;
}

int FP_LT(double x, double y) { return FP_GT(y, x); }
int FP_LE(double x, double y) { return FP_GE(y, x); }

int FP_Compare(double x, double y) {
    if (FP_EQ(x, y)) return 0;
    return FP_GT(x, y) ? 1 : -1;
}

double Pin(double value, double low, double high) {
    if (value < low) return low;
    if (value > high) return high;
    return value;
}

double Random(double low, double high) {
    if (high < low) return low;
    tb::LibraryThreadState *state = tb::threadState();
    if (!state) return low;
    return low + nextDraw(*state) * (high - low);
}

void SetRandomSeed(int seed) {
    tb::LibraryThreadState *state = tb::threadState();
    if (!state) return;
    state->randomSeed = seed != 0 ? seed : nonzeroClock();
    state->reseedPending = 1;
}

int RoundToNextMultiple(int value, int multiple) {
    if (multiple == 0) return value;
    std::int64_t step = multiple < 0 ? -static_cast<std::int64_t>(multiple) : multiple;
    std::int64_t remainder = value % step;
    std::int64_t result = value;
    if (remainder > 0) result = value + step - remainder;
    if (remainder < 0) result = value - step - remainder;
    return static_cast<int>(static_cast<std::uint32_t>(result));
}

double Pi(void) { return 3.141592653589793; }
double TwoPi(void) { return 6.283185307179586; }
double HalfPi(void) { return 1.5707963267948966; }
double ThreeHalvesPi(void) { return 4.71238898038469; }
double ReciprocalOfPi(void) { return 0.3183098861837907; }
double LnOfPi(void) { return 1.1447298858494002; }
double Log10OfPi(void) { return 0.49714987269413385; }
double Euler(void) { return 2.718281828459045; }
double ReciprocalOfEuler(void) { return 0.36787944117144233; }
double Log10OfEuler(void) { return 0.4342944819032518; }
double Ln10(void) { return 2.302585092994046; }
double Ln2(void) { return 0.6931471805599453; }
double PlanckConstant(void) { return 6.626176e-34; }
double ElementaryCharge(void) { return 1.6021892e-19; }
double SpeedOfLight(void) { return 299792458.0; }
double GravitationalConstant(void) { return 6.672e-11; }
double AvogadroConstant(void) { return 6.022045e+23; }
double RydbergConstant(void) { return 10973731.77; }
double MolarGasConstant(void) { return 8.31441; }

double DegToRad(double x) { return 0.017453292519943295 * x; }
double RadToDeg(double x) { return 57.29577951308232 * x; }
double CelsiusToKelvin(double x) { return x + 273.15; }
double KelvinToCelsius(double x) { return x - 273.15; }
double CelsiusToFahrenheit(double x) { return 1.8 * x + 32.0; }
double FahrenheitToCelsius(double x) { return 0.5555555555555556 * (x - 32.0); }
double MetersToFeet(double x) { return 3.2808399 * x; }
double FeetToMeters(double x) { return x / 3.2808399; }
double KilometersToMiles(double x) { return 0.62137119 * x; }
double MilesToKilometers(double x) { return x / 0.62137119; }
double KilogramsToPounds(double x) { return 2.2046226 * x; }
double PoundsToKilograms(double x) { return x / 2.2046226; }
double LitersToGallons(double x) { return 0.26417205 * x; }
double GallonsToLiters(double x) { return x / 0.26417205; }

}  // extern "C"
