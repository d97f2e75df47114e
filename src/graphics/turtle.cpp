#include "graphics/turtle.h"

#include <cmath>
#include <cstdlib>

namespace qel::graphics {

namespace {

// Rounds half to even, as the language's integer conversion does.
double roundEven(double v) {
    return std::nearbyint(v);
}

}  // namespace

float turnHeading(float heading, double delta) {
    const float turned = static_cast<float>(static_cast<double>(heading) + delta);
    if (!std::isfinite(turned)) return heading;
    if (turned >= 0) return turned;
    const double whole = std::fmod(roundEven(turned), 360.0);  // sign of the dividend
    return static_cast<float>(whole + 360.0);
}

float headingFromCompass(double compass) {
    return turnHeading(0.0f, 90.0 - compass);
}

int iconResource(float heading) {
    if (!std::isfinite(heading)) return 101;
    // Whole turns change k by multiples of 24 and so leave the icon as it is;
    // dropping them first keeps the arithmetic in range for any heading.
    const double turned = std::fmod(roundEven(-static_cast<double>(heading)), 360.0);
    const long long k = static_cast<long long>(std::trunc(turned / 15.0));
    long long a = 15 * k + 90;
    if (a < 0) a = std::llabs(a % 360 + 360);
    return a == 0 || a == 360 ? 101 : static_cast<int>(2000 + a);
}

int iconCompassAngle(int resource) {
    return resource == 101 ? 0 : resource - 2000;
}

std::pair<double, double> stepAlong(float heading, double distance) {
    const double radians = static_cast<double>(heading) * kDegreesToRadians;
    return {distance * std::cos(radians), -distance * std::sin(radians)};
}

long long branchSegments(int depth) {
    if (depth < 0) depth = 0;
    return (1LL << (depth + 1)) - 1;
}

}  // namespace qel::graphics
