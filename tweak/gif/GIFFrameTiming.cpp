#include "GIFFrameTiming.hpp"

#include <cmath>
#include <limits>
#include <utility>

namespace animatedGIF {

namespace {

constexpr int32_t maximumDelay = std::numeric_limits<int32_t>::max();

int32_t hundredthsFromSeconds(double seconds)
{
    // The default rounding mode sends halves to the even neighbour: 0.125 s gives 12.
    double hundredths = std::nearbyint(seconds * 100.0);
    if (!(hundredths < static_cast<double>(maximumDelay)))
        return maximumDelay;
    return static_cast<int32_t>(hundredths);
}

CFTypeRef chosenDelayValue(CFDictionaryRef gifProperties)
{
    CFTypeRef unclamped = CFDictionaryGetValue(gifProperties, kCGImagePropertyGIFUnclampedDelayTime);
    if (unclamped && doubleValue(unclamped) != 0.0)
        return unclamped;
    return CFDictionaryGetValue(gifProperties, kCGImagePropertyGIFDelayTime);
}

// Remainder by zero is the dividend, so gcd(x, 0) is x and gcd(0, 0) is 0.
int32_t gcd(int32_t a, int32_t b)
{
    if (a < b)
        std::swap(a, b);
    for (;;) {
        int32_t quotient = b == 0 ? 0 : a / b;
        int32_t remainder = a - quotient * b;
        a = b;
        b = remainder;
        if (remainder == 0)
            return a;
    }
}

}

int32_t frameDelay(CGImageSourceRef source, size_t index)
{
    CFDictionaryRef properties = CGImageSourceCopyPropertiesAtIndex(source, index, nullptr);
    if (!properties)
        return fallbackDelay;
    int32_t delay = fallbackDelay;
    // A property that is not a dictionary counts as absent.
    CFTypeRef gifProperties = CFDictionaryGetValue(properties, kCGImagePropertyGIFDictionary);
    if (CFGetTypeID(gifProperties) == CFDictionaryGetTypeID()) {
        CFTypeRef value = chosenDelayValue(static_cast<CFDictionaryRef>(gifProperties));
        double seconds = doubleValue(value);
        if (value && seconds > 0.0)
            delay = hundredthsFromSeconds(seconds);
    }
    CFRelease(properties);
    return delay;
}

int32_t commonDivisor(std::span<const int32_t> delays)
{
    if (delays.empty())
        return 0;
    int32_t divisor = delays[0];
    for (size_t i = 1; i < delays.size(); ++i)
        divisor = gcd(delays[i], divisor);
    return divisor;
}

}
