// How long a step of a test took, on the steady clock.
#pragma once

#include <chrono>

inline double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
