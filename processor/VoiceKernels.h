#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>
#include <cstring>

// The per-sample steps the channel voice is built from: its tanh and one step
// of a band filter. A header of their own, so that a model of the chain can
// run the very same arithmetic and be compared with it bit for bit.
namespace VoiceKernels
{
    forcedinline std::uint32_t bitsOf (float value) noexcept
    {
        std::uint32_t bits;
        std::memcpy (&bits, &value, sizeof (bits));
        return bits;
    }

    forcedinline float floatOf (std::uint32_t bits) noexcept
    {
        float value;
        std::memcpy (&value, &bits, sizeof (value));
        return value;
    }

    // e^x for 0 <= x <= 18, within about one ulp: a degree-6 polynomial on
    // the remainder after taking out the power of two.
    forcedinline float expNonNegative (float x) noexcept
    {
        const auto n = (int) (x * 1.44269504088896341f + 0.5f);
        const auto fn = (float) n;
        auto r = x - fn * 0.693359375f;
        r = r - fn * -2.12194440e-4f;

        auto p = 1.9875691500e-4f;
        p = p * r + 1.3981999507e-3f;
        p = p * r + 8.3334519073e-3f;
        p = p * r + 4.1665795894e-2f;
        p = p * r + 1.6666665459e-1f;
        p = p * r + 5.0000001201e-1f;
        p = p * (r * r) + r + 1.0f;

        return p * floatOf ((std::uint32_t) (n + 127) << 23);
    }

    // tanh within 9e-8 of the exact value for every float (checked over all
    // of them; the C library's tanhf here is within 1.1e-7), without branches
    // so that loops over it vectorise: below 0.5 the odd series up to x^15,
    // above it 1 - 2 / (e^2|x| + 1) with |x| capped at 9, where tanh is 1 to
    // float precision. The clamp and the choice work on the bits, because
    // floating-point selects keep the compiler from vectorising under strict
    // floating-point rules. The clamp also maps infinities and NaNs to +-1.
    forcedinline float fastTanh (float x) noexcept
    {
        const auto bits = bitsOf (x);
        const auto sign = bits & 0x80000000u;
        const auto absBits = bits & 0x7fffffffu;
        constexpr std::uint32_t nineBits = 0x41100000u, halfBits = 0x3f000000u;

        const auto a = floatOf (absBits < nineBits ? absBits : nineBits);
        const auto large = 1.0f - 2.0f / (expNonNegative (a + a) + 1.0f);

        const auto a2 = a * a;
        auto p = -1.4558343870513183e-3f;
        p = p * a2 + 3.5921280365724810e-3f;
        p = p * a2 - 8.8632355299021966e-3f;
        p = p * a2 + 2.1869488536155203e-2f;
        p = p * a2 - 5.3968253968253968e-2f;
        p = p * a2 + 1.3333333333333333e-1f;
        p = p * a2 - 3.3333333333333333e-1f;
        const auto small = a + a * a2 * p;

        const auto useSmall = 0u - (std::uint32_t) (absBits < halfBits);
        return floatOf (((bitsOf (small) & useSmall) | (bitsOf (large) & ~useSmall)) | sign);
    }

    // A second-order band filter: its coefficients (a0 normalised to 1) and
    // its two state values. Pass-through as constructed.
    struct BandFilter
    {
        float b0 = 1.0f, b1 = 0.0f, b2 = 0.0f, a1 = 0.0f, a2 = 0.0f;
        float s1 = 0.0f, s2 = 0.0f;
    };

    // One step of a band filter: the framework filter's transposed direct
    // form II, with its operations in the same order.
    forcedinline float runBandFilter (BandFilter& f, float x) noexcept
    {
        const auto y = f.b0 * x + f.s1;
        f.s1 = f.b1 * x - f.a1 * y + f.s2;
        f.s2 = f.b2 * x - f.a2 * y;
        return y;
    }
}
