// The simulated machine of the testbed: the USB drives it pretends are
// plugged in, read from a small text file with one [drive] section per
// drive. Plain data and parsing, no system calls.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace sw::testbed {

// How the simulated format service behaves for one drive.
struct FormatBehaviour {
  bool fails = false;            // every format ends unsuccessfully
  uint32_t failingCluster = 0;   // a format with this allocation unit fails (0: none)
  bool checkFindsProblems = false;
  bool reportsVolumeInUse = false;  // every format ends with the library's "volume in use"
  int cantLockCalls = 0;         // the first this many formats end with "volume in use"
  int steps = 10;                // progress commands per run
  int stepMilliseconds = 40;     // pause after each progress command
  std::vector<std::string> formatOutput;  // UTF-8 lines; empty: the usual texts
  std::vector<std::string> checkOutput;
};

// How slow the simulated stick's files are: a pause per MiB moved and per
// file opened, for writing and for reading, in milliseconds.
struct SpeedThrottle {
  int writeMsPerMib = 0;
  int readMsPerMib = 0;
  int writeMsPerFile = 0;
  int readMsPerFile = 0;
};

// What the stick's flash really holds, for the real-capacity check of its
// whole disk: a genuine stick holds all of its size; a counterfeit one less,
// and what is written past that either wraps onto the start ("wrap": the
// address modulo the real size) or is lost ("limbo": reads there give zeros,
// or with staleReads what was there before).
struct CapacityBehaviour {
  int64_t realBytes = 0;          // 0: the drive's whole size (genuine)
  bool wraps = false;             // else limbo, when realBytes is set
  bool staleReads = false;
  int writeCacheMib = 0;          // a cache that answers reads of recent writes
  // What each raw transfer is charged, as modelled time (never slept): a
  // scattered write, a scattered read, and the sequential rates in MB/s.
  double probeWriteMs = 0, probeReadUs = 0, seqWriteMBs = 0, seqReadMBs = 0;
};

// Another program that has the volume open, as Explorer has a stick it
// shows: every lock and exclusive open of the volume is refused until it
// lets go, that many seconds after the first try, or until a dismount.
struct ProgramHold {
  std::string program;           // empty: nobody holds the volume
  int64_t seconds = -1;          // -1: never lets go by itself
  int64_t firstTryMs = -1;       // when the first lock was tried; -1: not yet
};

// Where the one partition of a simulated drive begins.
inline constexpr int64_t kPartitionOffset = 1024 * 1024;

struct SimulatedDrive {
  int number = 1;                // \\.\PhysicalDrive<number>
  std::string vendor = "Generic";
  std::string product = "Flash Disk";
  std::string revision = "1.00";
  std::string serial = "0000000000000001";
  int64_t sizeBytes = 0;
  // The volume's size, as the partition length the volume reports and as
  // its extent; 0: the drive's size less the 1 MiB before the partition
  // and the second volume.
  int64_t volumeBytes = 0;
  ProgramHold hold;
  // A second partition after the first, with a letter or none (reachable
  // only by its volume name, as Windows mounts it); 0 bytes: none.
  int64_t secondVolumeBytes = 0;
  char secondLetter = 0;
  // Every write to the stick and every format are refused, as with a
  // locked card or a stick gone read-only.
  bool writeProtected = false;
  uint8_t mediaType = 11;        // geometry media type: 11 removable, 12 fixed, 0 unknown
  char letter = 0;               // upper case, D to Z
  std::string folder;            // Windows path of the folder with the drive's files
  std::string fileSystem = "FAT32";
  std::string label;
  FormatBehaviour format;
  SpeedThrottle speedBefore;     // until the first successful format
  SpeedThrottle speedAfter;      // from then on
  CapacityBehaviour capacity;
  bool formatted = false;        // a format has succeeded during this run
  bool dismounted = false;       // the volume was dismounted during this run
  bool volumeLocked[2] = {};     // the first and the second volume are locked now

  // The volume's size in bytes (see volumeBytes).
  int64_t VolumeBytes() const {
    return volumeBytes > 0 ? volumeBytes : std::max<int64_t>(0, sizeBytes - kPartitionOffset - secondVolumeBytes);
  }
  // Another program's hold at `nowMs` (a steady clock): until it lets go
  // or the volume is dismounted. The first call starts its time.
  bool HeldAt(int64_t nowMs) {
    if (hold.program.empty() || dismounted) return false;
    if (hold.firstTryMs < 0) hold.firstTryMs = nowMs;
    return hold.seconds < 0 || nowMs - hold.firstTryMs < hold.seconds * 1000;
  }
  // Where the second volume begins, and its name.
  int64_t SecondVolumeOffset() const { return kPartitionOffset + VolumeBytes(); }

  const SpeedThrottle& CurrentSpeed() const { return formatted ? speedAfter : speedBefore; }

  std::string Root() const { return std::string(1, letter) + ":\\"; }
  // The caption WMI gives the disk: vendor, product and the bus.
  std::string Caption() const { return vendor + " " + product + " USB Device"; }
};

struct Machine {
  std::vector<SimulatedDrive> drives;
};

struct ParseResult {
  Machine machine;
  std::vector<std::string> errors;  // "line N: why"; empty when the text was sound
};

// Reads the description. `baseFolder` (a Windows path) anchors relative
// folder names, normally the folder of the description file.
ParseResult ParseMachine(const std::string& text, const std::string& baseFolder);

// The drive with this letter (any case) or this physical drive number.
const SimulatedDrive* FindByLetter(const Machine& machine, char letter);
SimulatedDrive* FindByLetter(Machine& machine, char letter);
const SimulatedDrive* FindByNumber(const Machine& machine, int number);
SimulatedDrive* FindByNumber(Machine& machine, int number);

}  // namespace sw::testbed
