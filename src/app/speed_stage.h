// The speed measurement as a stage of the run: before the format and
// after it, with the bar and Cancel, and its results in the log.
#pragma once

#include "speedtest/speed_figures.h"

namespace sw {

class TRunContext;

// Measures the drive of `letter`: moves the bar and stops at the run's stop
// request; logs a line when it starts and one with its cost, or why it was
// skipped, failed or cancelled.
TSpeedFigures MeasureDriveSpeed(TRunContext& run, char letter);
// Logs the before/after table with the change in percent.
void LogSpeedTable(TRunContext& run, char letter, const TSpeedFigures& before, const TSpeedFigures& after);

}  // namespace sw
