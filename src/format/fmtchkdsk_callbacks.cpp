// The library's callback commands turned into the engine's events: the
// command table of format and check-disk, the conversion of output text, the
// problem scan of check output and the Cancel answer.
#include <windows.h>

#include <cstring>
#include <optional>

#include "format/fmtchkdsk.h"
#include "platform/format_library.h"
#include "platform/text.h"
#include "toolkit/answering_run.h"
#include "toolkit/application.h"

namespace sw {

namespace {

constexpr uint8_t kGoOn = 1;
constexpr uint8_t kStop = 0;

// Output text of command 14: OEM code page to UTF-8, trimmed at both ends;
// line breaks inside stay. A record or text pointer that is missing reads as
// no text.
std::string ConvertOutput(const void* actionInfo) {
  if (actionInfo == nullptr) return {};
  const auto* record = static_cast<const fmifs::TextOutput*>(actionInfo);
  if (record->output == nullptr) return {};
  return Trim(FromCodePage(std::string_view(record->output, std::strlen(record->output)), CP_OEMCP));
}

std::optional<int> ReadPercent(const void* actionInfo) {
  if (actionInfo == nullptr) return std::nullopt;
  int32_t percent;
  std::memcpy(&percent, actionInfo, sizeof(percent));
  if (percent < 0) return std::nullopt;
  return percent;
}

bool ReadSuccess(const void* actionInfo) {
  return actionInfo != nullptr && *static_cast<const uint8_t*>(actionInfo) != 0;
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The refusal a command code names; None for the codes that name none.
TLibraryAnswer AnswerOf(uint8_t code) {
  switch (code) {
    case fmifs::kInsufficientRights: return TLibraryAnswer::InsufficientRights;
    case fmifs::kFsNotSupported: return TLibraryAnswer::FsNotSupported;
    case fmifs::kVolumeInUse: return TLibraryAnswer::VolumeInUse;
    case fmifs::kQuickFormatNotAllowed: return TLibraryAnswer::QuickFormatNotAllowed;
    case fmifs::kIoError: return TLibraryAnswer::IoError;
    case fmifs::kBadLabel: return TLibraryAnswer::BadLabel;
    case fmifs::kClusterSizeTooSmall: return TLibraryAnswer::ClusterSizeTooSmall;
    case fmifs::kClusterSizeTooBig: return TLibraryAnswer::ClusterSizeTooBig;
    case fmifs::kVolumeTooSmall: return TLibraryAnswer::VolumeTooSmall;
    case fmifs::kVolumeTooBig: return TLibraryAnswer::VolumeTooBig;
    case fmifs::kNoMediaInDrive: return TLibraryAnswer::NoMediaInDrive;
    case fmifs::kDeviceNotReady: return TLibraryAnswer::DeviceNotReady;
    default: return TLibraryAnswer::None;
  }
}

}  // namespace

uint8_t __stdcall TFmtChkDsk::FormatCallback(uint32_t command, uint32_t, void* actionInfo) {
  return OnCallerThread(Operation::Format, command, actionInfo);
}

uint8_t __stdcall TFmtChkDsk::CheckDiskCallback(uint32_t command, uint32_t, void* actionInfo) {
  return OnCallerThread(Operation::Check, command, actionInfo);
}

uint8_t TFmtChkDsk::OnCallerThread(Operation operation, uint32_t command, const void* actionInfo) {
  // The engine's events run on the thread that called the engine: the
  // run's worker calls the library itself, so its callbacks come there;
  // on the window's thread the library runs on a thread of its own, and
  // the events are handed back to the window while that one waits.
  uint8_t answer = kGoOn;
  try {
    auto call = [&] {
      if (TFmtChkDsk* engine = ActiveEngine) answer = engine->OnCallback(operation, command, actionInfo);
    };
    if (GetCurrentThreadId() == CallerThread) call();
    else tk::OnWindowThread(call);
  } catch (...) {
    return kStop;  // OnCallback reports its own errors; nothing may reach the library
  }
  return answer;
}

uint8_t TFmtChkDsk::OnCallback(Operation operation, uint32_t command, const void* actionInfo) {
  try {
    const bool format = operation == Operation::Format;
    const std::string generic =
        std::string(format ? "Format Disk Callback: " : "Check Disk Callback: ") + std::to_string(command & 0xFF);
    const char* prefix = format ? "Format Disk: " : "Check Disk: ";
    std::string text;
    std::optional<int> percent;

    const auto code = static_cast<uint8_t>(command & 0xFF);
    if (const TLibraryAnswer answer = AnswerOf(code); answer != TLibraryAnswer::None) lastAnswer_ = answer;
    switch (code) {
      case fmifs::kProgress:
        percent = ReadPercent(actionInfo);
        break;
      case fmifs::kStructureCreated:
        text = format ? "Format Disk: Structure Created OK" : generic;
        break;
      case fmifs::kInsufficientRights:
        text = std::string(prefix) + "Insufficient Rights";
        break;
      case fmifs::kFsNotSupported:
        text = std::string(prefix) + "FS Not Supported";
        break;
      case fmifs::kVolumeInUse:
        // The library could not take the volume for itself; another try
        // with other settings would meet the same holder.
        volumeInUse_ = true;
        text = std::string(prefix) + "Volume In-Use";
        break;
      case fmifs::kQuickFormatNotAllowed:
        text = format ? "Format Disk: Quick Format Not Allowed" : generic;
        break;
      case fmifs::kDone:
        succeeded_ = ReadSuccess(actionInfo);
        text = std::string(prefix) + (succeeded_ ? "Finished OK" : "Unable to Finish");
        break;
      case fmifs::kOutput:
        text = ConvertOutput(actionInfo);
        if (!format) ScanCheckOutput(text);
        break;
      case fmifs::kStructureProgress:
        if (!format) text = generic;
        break;
      case fmifs::kClusterSizeTooSmall:
        text = format ? "Format Disk: Cluster Size Too Small" : generic;
        break;
      case fmifs::kSilent:
        break;
      default:
        text = generic;
        break;
    }

    bool cancel = false;
    if (percent) cancel = NotifyProgress(*percent);
    if (!text.empty()) cancel = NotifyInfo(text);  // the info answer wins
    return cancel ? kStop : kGoOn;
  } catch (const std::exception& error) {
    // Our own handler failed while the library works on the drive: show the
    // error and ask the library to stop rather than run on unobserved.
    tk::Application().HandleException(error);
    return kStop;
  } catch (...) {
    tk::Application().HandleUnknownException();
    return kStop;
  }
}

const char* LibraryAnswerName(TLibraryAnswer answer) {
  switch (answer) {
    case TLibraryAnswer::None: return "no answer";
    case TLibraryAnswer::InsufficientRights: return "insufficient rights";
    case TLibraryAnswer::FsNotSupported: return "file system not supported";
    case TLibraryAnswer::VolumeInUse: return "volume locked by another process";
    case TLibraryAnswer::QuickFormatNotAllowed: return "quick format not allowed";
    case TLibraryAnswer::IoError: return "I/O error";
    case TLibraryAnswer::BadLabel: return "bad label";
    case TLibraryAnswer::ClusterSizeTooSmall: return "cluster size too small";
    case TLibraryAnswer::ClusterSizeTooBig: return "cluster size too big";
    case TLibraryAnswer::VolumeTooSmall: return "volume too small";
    case TLibraryAnswer::VolumeTooBig: return "volume too big";
    case TLibraryAnswer::NoMediaInDrive: return "no media in drive";
    case TLibraryAnswer::DeviceNotReady: return "device not ready";
  }
  return "unknown answer";
}

void TFmtChkDsk::ScanCheckOutput(const std::string& text) {
  if (Contains(text, "found problems") || Contains(text, "Correcting errors") || Contains(text, "Errors found") ||
      Contains(text, "(fix) option")) {
    fileSysProblem_ = true;
    if (firstErrorLine_.empty()) firstErrorLine_ = text;
  }
  if (Contains(text, "free space marked as allocated")) {
    freeSpaceAlloc_ = true;
    if (firstErrorLine_.empty()) firstErrorLine_ = text;
  }
}

}  // namespace sw
