// The turtle's arithmetic: headings, the icon for a heading, steps along the
// heading. The commands that move a turtle on a surface are in the library's
// graphics family; this is what they compute.
#pragma once

#include <utility>

namespace qel::graphics {

// Degrees to radians with the language's own factor (3.14159 / 180, not
// π / 180): scripts that close a figure by arithmetic end where they always
// have, a hair away from the exact point.
inline constexpr double kDegreesToRadians = 3.14159 / 180.0;

// The heading is a single-precision number of degrees, 0 pointing right and
// 90 up, counter-clockwise positive.
inline constexpr float kStartHeading = 90.0f;

// Turns by `delta` degrees. A negative result becomes an integer in
// 1 … 360 (−90 gives 270, −360 gives 360); 0 or more is kept as it is, also
// past 360. A turn that would leave no finite heading is ignored.
float turnHeading(float heading, double delta);

// The compass heading a script writes (clockwise from up) as a heading.
float headingFromCompass(double compass);

// The resource number of the turtle icon for a heading: 101 facing up, else
// 2000 + the compass angle in steps of 15.
int iconResource(float heading);

// The compass angle an icon resource shows (0 for 101).
int iconCompassAngle(int resource);

// The step (dx, dy) of a move by `distance` along `heading`, in surface
// coordinates (y grows downwards).
std::pair<double, double> stepAlong(float heading, double distance);

// 枝: depth below 0 is taken as 0; past kMaxBranchDepth the tree would have
// more than two million segments and is refused.
inline constexpr int kMaxBranchDepth = 20;
// Segments a tree of `depth` draws: 2^(depth+1) − 1.
long long branchSegments(int depth);

}  // namespace qel::graphics
