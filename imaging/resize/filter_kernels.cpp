#include "filter_kernels.h"

#include <cmath>

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kTwoThirds = 0.6666666666666666;
constexpr double kOneSixth = 0.16666666666666666;
constexpr double kSixteenThirds = 5.333333333333333;
constexpr double kSevenThirds = 2.3333333333333335;
constexpr double kThirtyTwoThirds = 10.666666666666666;
constexpr double kTwoOverPi = 0.6366197723675814;

double Sinc(double x)
{
    const double px = kPi * x;
    if (px == 0.0)
        return 1.0;
    return std::sin(px) / px;
}

double Box(double x) { return (x > -0.5 && x <= 0.5) ? 1.0 : 0.0; }

double Triangle(double x)
{
    const double a = std::fabs(x);
    return a < 1.0 ? 1.0 - a : 0.0;
}

double Hamming(double x) { return 0.54 + 0.46 * std::cos(kPi * x); }

double Gaussian(double x) { return std::exp(-2.0 * x * x) * std::sqrt(kTwoOverPi); }

double Bell(double x)
{
    const double a = std::fabs(x);
    if (a < 0.5)
        return 0.75 - x * x;
    if (a < 1.5) {
        const double t = a - 1.5;
        return 0.5 * t * t;
    }
    return 0.0;
}

double BSpline(double x)
{
    const double a = std::fabs(x);
    if (a < 1.0)
        return 0.5 * a * a * a - x * x + kTwoThirds;
    if (a < 2.0) {
        const double t = 2.0 - a;
        return t * t * t * kOneSixth;
    }
    return 0.0;
}

double Hermite(double x)
{
    const double a = std::fabs(x);
    return a < 1.0 ? 2.0 * a * a * a - 3.0 * x * x + 1.0 : 0.0;
}

double Lanczos3(double x)
{
    if (x == 0.0)
        return 1.0;
    if (std::fabs(x) < 3.0)
        return Sinc(x) * Sinc(x / 3.0);
    return 0.0;
}

double Mitchell(double x)
{
    const double a = std::fabs(x);
    if (a < 1.0)
        return (7.0 * a * a * a - 12.0 * x * x + kSixteenThirds) / 6.0;
    if (a < 2.0)
        return (-kSevenThirds * a * a * a + 12.0 * x * x - 20.0 * a + kThirtyTwoThirds) / 6.0;
    return 0.0;
}

double Hanning(double x) { return 0.5 + 0.5 * std::cos(kPi * x); }

double CatmullRom(double x)
{
    const double a = std::fabs(x);
    if (a < 1.0)
        return 1.5 * a * a * a - 2.5 * x * x + 1.0;
    if (a < 2.0)
        return -0.5 * a * a * a + 2.5 * x * x - 4.0 * a + 2.0;
    return 0.0;
}

const ISKernel kKernels[kISKernelCount] = {
    {Box, 0.5},      {Triangle, 1.0}, {Hamming, 1.0}, {Gaussian, 1.25}, {Bell, 1.5},    {BSpline, 2.0},
    {Hermite, 1.0},  {BSpline, 2.0},  {Lanczos3, 3.0}, {Mitchell, 2.0},  {Sinc, 4.0},    {Hermite, 1.0},
    {Hanning, 1.0},  {CatmullRom, 2.0},
};

}  // namespace

bool ISFilterKernel(int32_t kind, ISKernel* kernel)
{
    if (kind < 0 || kind >= kISKernelCount)
        return false;
    *kernel = kKernels[kind];
    return true;
}
