// The simulated head's stored residual-gas spectrum and the data points made from it: a constant
// table of 991 rows (masses 1.0 to 100.0 amu in 0.1 amu steps) plus noise. The simulated head and
// the test kit's head emulator both take their points from here.
#pragma once

#include <cstdint>
#include <vector>

struct SimSpectrumRow
{
    double mass;   // amu
    double signal; // head counts
};

constexpr int SIM_SPECTRUM_ROWS = 991;
constexpr double SIM_SPECTRUM_FIRST_MASS = 1.0;
constexpr double SIM_SPECTRUM_LAST_MASS = 100.0;

// Noise models of the simulated head.
enum : int
{
    SIM_NOISE_UNIFORM = 0,  // rand() / 32767, 0 to 1
    SIM_NOISE_GAUSSIAN = 1, // mean 0, variance 1, from the seeded Gaussian generator
    SIM_NOISE_NONE = 2,     // any other model gives 0
};

// More points than this are never generated for one scan (a 4-byte point each).
constexpr int SIM_MAX_SCAN_POINTS = 1 << 20;

// The table, SIM_SPECTRUM_ROWS rows in ascending mass.
const SimSpectrumRow* GetSimSpectrum();

// The row whose mass is nearest to mass (the lower one on a tie), or -1 when mass lies below 1.0 or
// above 100.0 amu (or is not a number).
int FindSimSpectrumRow(double mass);

// The signal of a row. Rows before the table give the first row's signal and rows beyond it the
// last row's (the spectrum's floor), so scan points outside 1.0 to 100.0 amu still have a value.
double GetSimSpectrumSignal(int64_t row);

// One noise sample of the model; seed is the Gaussian generator's state (negative restarts it).
double SimNoiseSample(int model, int32_t& seed);

// The point of a single-mass measurement: (integer part of the nearest row's signal) + 100 x noise,
// truncated. false, and nothing drawn from the noise source, when mass lies outside the table.
bool MakeSimSinglePoint(double mass, int model, int32_t& seed, int32_t& value);

// Noise scale of a scan: 10 with the multiplier's high voltage on, else 100.
inline double SimScanNoiseScale(bool cemOn)
{
    return cemOn ? 10.0 : 100.0;
}

// Number of points of an analog scan, (final - initial) x steps + 1, or of a histogram scan,
// final - initial + 1; 0 when below 1, at most SIM_MAX_SCAN_POINTS.
int SimAnalogPointCount(int initial, int final, int steps);
int SimHistogramPointCount(int initial, int final);

// The points of an analog scan: point j takes the row of mass initial + j / steps on the 0.1 amu
// grid plus noise x noiseScale, truncated. Steps below 1 keep every point on the initial mass.
std::vector<int32_t> MakeSimAnalogScan(int initial, int final, int steps, double noiseScale, int model,
                                       int32_t& seed);
// The points of a histogram scan: point j takes the row of mass initial + j.
std::vector<int32_t> MakeSimHistogramScan(int initial, int final, double noiseScale, int model,
                                          int32_t& seed);
