// The restore plan over any names, sizes and volumes (now and then hundreds of copies): no crash, consistent answers.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <string>

#include "app/restore_fit.h"
#include "fuzz_check.h"

using namespace sw;
const char* const kPieces[] = {"a", "A", "\\", "\xC3\xA4", "\xC3\x84", ".TXT", "?", "long name ", "\xF0\x9F\x98\x80"};

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  const int fs = in.ConsumeIntegralInRange(-1, 4);
  const uint64_t volume = in.ConsumeIntegral<uint64_t>() >> (in.ConsumeBool() ? 0 : 28);
  RestoreContent content;
  bool utf8 = true;
  for (int items = in.ConsumeIntegralInRange(0, 60); items > 0; --items) {
    std::string name = in.ConsumeBool() ? in.ConsumeRandomLengthString(64) : "";
    for (int i = name.empty() ? in.ConsumeIntegralInRange(1, 6) : 0; i > 0; --i)
      name += kPieces[in.ConsumeIntegralInRange<size_t>(0, std::size(kPieces) - 1)];
    utf8 = utf8 && fuzz::IsValidUtf8(name);
    const bool folder = in.ConsumeIntegralInRange(0, 3) == 0;
    const int shift = in.ConsumeIntegralInRange(0, 64);  // a power of two or a byte either side; 64: any size
    const auto bytes = shift < 64 ? (1ull << shift) + in.ConsumeIntegralInRange(-1, 1) : in.ConsumeIntegral<uint64_t>();
    int copies = in.ConsumeIntegralInRange(0, 15) ? 1 : in.ConsumeIntegralInRange(2, 600);  // numbered after the first
    for (std::string path = name; copies > 0; path = name + std::to_string(--copies))
      folder ? content.folders.push_back(path + "\\") : content.files.push_back({path, bytes});
  }
  const RestoreFit p64 = PlanRestore(content, fs, 65536, volume), p32 = PlanRestore(content, fs, 32768, volume);
  for (const RestoreFit& fit : {p64, p32}) {
    const bool noRoom = fit.problem == FitProblem::NoRoom;
    FUZZ_CHECK(fit.volumeBytes == volume && fit.structureBytes <= volume && (!utf8 || fuzz::IsValidUtf8(fit.reason)));
    FUZZ_CHECK(fit.fits == (fit.problem == FitProblem::None) && fit.fits == fit.reason.empty());
    FUZZ_CHECK(!fit.fits || (fit.offendingPath.empty() && fit.NeededBytes() <= volume && fit.suggestedFileSystem < 0));
    FUZZ_CHECK(!noRoom || (fit.shortfallBytes > 0 && fit.dataBytes == fit.AvailableBytes() + fit.shortfallBytes));
    if (fit.fits || noRoom || fit.problem == FitProblem::Unsupported) continue;
    const std::string named = fit.offendingPath.ends_with('\\') ? fit.offendingPath : fit.offendingPath + "\\";
    FUZZ_CHECK(std::ranges::any_of(content.files, [&](auto& f) { return (f.path + "\\").starts_with(named); }) ||
               std::ranges::any_of(content.folders, [&](auto& f) { return f.starts_with(named); }));
  }
  FUZZ_CHECK(p64.problem == FitProblem::Unsupported || p32.dataBytes <= p64.dataBytes);
  FUZZ_CHECK(p64.problem == FitProblem::NoRoom || p32.problem == FitProblem::NoRoom ||  // rules apart from room agree
             (p64.problem == p32.problem && p64.offendingPath == p32.offendingPath));
  const ClusterChoice choice = ChooseClusterSize(content, fs, volume);
  FUZZ_CHECK(choice.clusterSize == (p64.fits ? 65536u : p64.problem == FitProblem::NoRoom && p32.fits ? 32768u : 0u));
  FUZZ_CHECK(choice.neededWith64K == p64.NeededBytes() && !ClusterChoiceLine(choice).empty());
  return 0;
}
