// The kernels of the filtered resampling (modes 0 to 13).
#pragma once

#include <cstdint>

typedef double (*ISKernelFunction)(double x);

struct ISKernel {
    ISKernelFunction function;
    double support;
};

constexpr int32_t kISKernelCount = 14;

// FALSE for a kind outside 0..13.
bool ISFilterKernel(int32_t kind, ISKernel* kernel);
