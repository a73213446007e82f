#pragma once
// For child programs that hold the loop-back device as the default output
// while their parent test ends them in some way.

namespace TestSupport {

// Makes the loop-back device the default output and tells the parent so:
// "ready" on standard output, or the reason on standard error and false.
bool takeDefaultOutput();

} // namespace TestSupport
