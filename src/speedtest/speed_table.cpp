#include "speedtest/speed_table.h"

#include <cmath>
#include <cstdio>
#include <optional>

#include "platform/locale.h"
#include "platform/text.h"

namespace sw {
namespace {

constexpr int kLabelWidth = 18, kValueWidth = 13, kChangeWidth = 10;
constexpr char kNotMeasured[] = "not measured";

// Ends a text with one full stop: the system's error texts bring their own.
std::string Sentence(const std::string& text) { return !text.empty() && text.back() == '.' ? text : text + "."; }

std::string PadRight(std::string text, size_t width) {
  if (text.size() < width) text.append(width - text.size(), ' ');
  return text;
}

std::string PadLeft(const std::string& text, size_t width) {
  return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string Row(const std::string& label, const std::string& before, const std::string& after,
                const std::string& change) {
  std::string line = PadRight(label, kLabelWidth) + PadLeft(before, kValueWidth) + PadLeft(after, kValueWidth) +
                     PadLeft(change, kChangeWidth);
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

std::string ChangeText(const std::optional<double>& before, const std::optional<double>& after) {
  if (!before || !after || *before <= 0) return "";
  const long percent = std::lround((*after / *before - 1.0) * 100.0);
  std::string text = percent > 0 ? "+" : "";
  text += std::to_string(percent);
  return text + " %";
}

struct Part {
  const char* label;
  std::optional<double> TSpeedFigures::*figure;
  bool megabytes;  // MB/s with one decimal, else whole files per second
};

constexpr Part kParts[] = {
    {"sequential write", &TSpeedFigures::sequentialWriteMBps, true},
    {"sequential read", &TSpeedFigures::sequentialReadMBps, true},
    {"small files write", &TSpeedFigures::smallFilesWritePerSecond, false},
    {"small files read", &TSpeedFigures::smallFilesReadPerSecond, false},
};

}  // namespace

std::vector<std::string> SpeedTableLines(char letter, const TSpeedFigures& before, const TSpeedFigures& after,
                                         const std::string& decimalSeparator) {
  auto value = [&](const std::optional<double>& figure, bool megabytes) -> std::string {
    if (!figure) return kNotMeasured;
    if (megabytes) return FormatOneDecimal(*figure, decimalSeparator) + " MB/s";
    return std::to_string(std::lround(*figure)) + " /s";
  };
  std::vector<std::string> lines;
  lines.push_back(Row("Speed of " + AsciiUpper(std::string(1, letter)) + ":\\", "before", "after", "change"));
  for (const Part& part : kParts) {
    const std::optional<double>& b = before.*part.figure;
    const std::optional<double>& a = after.*part.figure;
    lines.push_back(Row(part.label, value(b, part.megabytes), value(a, part.megabytes), ChangeText(b, a)));
  }
  return lines;
}

std::string SpeedOutcomeLine(char letter, const TSpeedFigures& figures, const std::string& decimalSeparator) {
  std::string line = "Speed measurement of " + AsciiUpper(std::string(1, letter)) + ": ";
  switch (figures.outcome) {
    case TSpeedOutcome::NotRun:
      return line + "not made.";
    case TSpeedOutcome::Skipped:
      return Sentence(line + "skipped, " + figures.reason);
    case TSpeedOutcome::Failed:
      return Sentence(line + "failed, " + figures.reason);
    case TSpeedOutcome::Cancelled:
      return line + "cancelled.";
    case TSpeedOutcome::Completed:
      break;
  }
  line += "done in " + FormatOneDecimal(figures.seconds, decimalSeparator) + " s";
  if (!figures.reason.empty()) line += "; " + figures.reason;
  return Sentence(line);
}

}  // namespace sw
