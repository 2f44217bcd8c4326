// The texts the log shows for speed measurements: the before/after table
// and the line for a measurement that did not run to the end.
#pragma once

#include <string>
#include <vector>

#include "speedtest/speed_figures.h"

namespace sw {

// The table, one text per line, for example
//   Speed of Q:\          before      after     change
//   sequential write    9.8 MB/s   14.1 MB/s     +44 %
// A part missing on either side reads "not measured" and has no change.
std::vector<std::string> SpeedTableLines(char letter, const TSpeedFigures& before, const TSpeedFigures& after,
                                         const std::string& decimalSeparator = ".");

// "Speed measurement of Q: ..." with its cost, or why it did not complete.
std::string SpeedOutcomeLine(char letter, const TSpeedFigures& figures, const std::string& decimalSeparator = ".");

}  // namespace sw
