// The slowest pair of datafiles the check accepts, for timing the game's
// start with it. Each file holds the game's objects, small, and one sound of
// noise filling its budget to within a percent: noise is what the library
// unpacks slowest, and a 16-bit sample what it loads slowest, a call for
// every two bytes. Both files are compressed whole, under the game's
// password, which must be set before a SlowestPair is made.
#ifndef ZINDLE_BENCH_SLOWEST_PAIR_H
#define ZINDLE_BENCH_SLOWEST_PAIR_H

#include <cstdint>
#include <string>

// Every pixel of the small pictures: the menu shows it at the window's
// top-left corner.
constexpr std::uint32_t SLOWEST_PAIR_PIXEL = 0xFFFFFF;

// tiles.dat and stuff.dat in a scratch folder of their own, removed with it.
struct SlowestPair {
    SlowestPair();
    ~SlowestPair();
    std::string tiles() const { return dir + "/tiles.dat"; }
    std::string stuff() const { return dir + "/stuff.dat"; }
    std::string dir;
};

#endif
