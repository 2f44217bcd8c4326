// The restore plan over arbitrary names, sizes and volumes: no crash or
// overflow, and answers that hang together (a fit needs no more than the
// volume, a refusal names a path of the content, smaller clusters never need
// more room, the cluster choice agrees with the plans it chose between).
#include <fuzzer/FuzzedDataProvider.h>

#include <string>

#include "app/restore_fit.h"
#include "fuzz_check.h"

namespace {

// Names from a small alphabet find clashes, separators and limits often;
// the rest of the time any bytes at all.
std::string Path(FuzzedDataProvider& input) {
  if (input.ConsumeBool()) return input.ConsumeRandomLengthString(64);
  static const char* const kPieces[] = {"a", "A", "\\", "\xC3\xA4", "\xC3\x84", "x.txt", "X.TXT", "?", "long name ",
                                        "", "\xF0\x9F\x98\x80", "Dir\\"};
  std::string path;
  const int pieces = input.ConsumeIntegralInRange(1, 6);
  for (int i = 0; i < pieces; ++i) path += kPieces[input.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
  return path;
}

uint64_t Size(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: return input.ConsumeIntegral<uint64_t>();
    case 1: return (uint64_t{1} << input.ConsumeIntegralInRange(0, 40)) + input.ConsumeIntegralInRange(-1, 1);
    default: return input.ConsumeIntegralInRange<uint64_t>(0, 100000);
  }
}

bool IsPathOf(std::string offending, const sw::RestoreContent& content) {
  if (!offending.empty() && offending.back() == '\\') offending.pop_back();
  auto within = [&offending](const std::string& path) {
    return path.compare(0, offending.size(), offending) == 0 &&
           (path.size() == offending.size() || path[offending.size()] == '\\');
  };
  for (const auto& file : content.files)
    if (within(file.path)) return true;
  for (const auto& folder : content.folders)
    if (within(folder)) return true;
  return false;
}

void CheckPlan(const sw::RestoreFit& fit, const sw::RestoreContent& content, uint64_t volume) {
  FUZZ_CHECK(fit.volumeBytes == volume);
  FUZZ_CHECK(fit.structureBytes <= volume);
  if (fit.fits) {
    FUZZ_CHECK(fit.problem == sw::FitProblem::None && fit.reason.empty() && fit.offendingPath.empty());
    FUZZ_CHECK(fit.NeededBytes() <= volume);
    FUZZ_CHECK(fit.suggestedFileSystem == sw::kNoFileSystem);
    return;
  }
  FUZZ_CHECK(fit.problem != sw::FitProblem::None && !fit.reason.empty());
  if (fit.problem == sw::FitProblem::NoRoom) {
    FUZZ_CHECK(fit.shortfallBytes > 0 && fit.dataBytes == fit.AvailableBytes() + fit.shortfallBytes);
  } else if (fit.problem != sw::FitProblem::Unsupported) {
    FUZZ_CHECK(IsPathOf(fit.offendingPath, content));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider input(data, size);
  const int fs = input.ConsumeIntegralInRange(-1, 4);
  const uint64_t volume = input.ConsumeBool() ? input.ConsumeIntegral<uint64_t>()
                                              : input.ConsumeIntegralInRange<uint64_t>(0, uint64_t{64} << 30);
  sw::RestoreContent content;
  // Enough items for FAT's top folder of 512 entries to run full.
  const int items = input.ConsumeIntegralInRange(0, 200);
  for (int i = 0; i < items; ++i) {
    if (input.ConsumeIntegralInRange(0, 3) == 0) {
      content.folders.push_back(Path(input) + "\\");
    } else {
      std::string path = Path(input);
      content.files.push_back({std::move(path), Size(input)});
    }
  }

  const sw::RestoreFit with64K = sw::PlanRestore(content, fs, 65536, volume);
  const sw::RestoreFit with32K = sw::PlanRestore(content, fs, 32768, volume);
  CheckPlan(with64K, content, volume);
  CheckPlan(with32K, content, volume);
  if (with64K.problem != sw::FitProblem::Unsupported) FUZZ_CHECK(with32K.dataBytes <= with64K.dataBytes);
  // The rules that do not depend on the cluster agree.
  if (with64K.problem != sw::FitProblem::NoRoom && with32K.problem != sw::FitProblem::NoRoom)
    FUZZ_CHECK(with64K.problem == with32K.problem && with64K.offendingPath == with32K.offendingPath);

  const sw::ClusterChoice choice = sw::ChooseClusterSize(content, fs, volume);
  const bool only32K = !with64K.fits && with64K.problem == sw::FitProblem::NoRoom && with32K.fits;
  FUZZ_CHECK(choice.clusterSize == (with64K.fits ? 65536u : only32K ? 32768u : 0u));
  FUZZ_CHECK(choice.neededWith64K == with64K.NeededBytes());
  FUZZ_CHECK(!sw::ClusterChoiceLine(choice).empty());
  return 0;
}
