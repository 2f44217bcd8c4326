#include "app/unfinished_restore.h"

#include "copy/copy_paths.h"
#include "platform/text_rules.h"

namespace sw {

std::vector<TUnfinishedRestore> FindUnfinishedRestores(const std::vector<std::string>& folders,
                                                       const std::vector<TStickIdentity>& attached,
                                                       bool (*usable)(char letter)) {
  std::vector<TUnfinishedRestore> found;
  std::vector<std::string> seen;
  for (const std::string& folder : folders) {
    bool again = false;
    for (const std::string& other : seen) again = again || SamePath(other, folder);
    if (again) continue;
    seen.push_back(folder);
    std::optional<TBackupMarker> note = ReadBackupMarkerHeader(folder);
    if (!note || !note->RestoreUnfinished()) continue;
    TUnfinishedRestore restore{folder, std::move(*note), {}, TStickMatch::None};
    for (const TStickIdentity& stick : attached) {
      if (stick.letter == 0 || (usable != nullptr && !usable(stick.letter))) continue;
      const TStickMatch match = MatchStick(restore.note.stick, stick);
      // Known by its identity wins over a stick that only has the same letter.
      if (match == TStickMatch::None || (restore.match == TStickMatch::Identity)) continue;
      restore.attached = stick;
      restore.match = match;
    }
    found.push_back(std::move(restore));
  }
  return found;
}

std::string UnfinishedRestoreQuestion(const TUnfinishedRestore& found, const std::string& files,
                                      const std::string& size, const std::string& date) {
  std::string text = "Drive " + AsciiUpper(std::string(1, found.attached.letter)) + ": has an unfinished restore from " +
                     found.folder + " (" + files + " files, " + size + ", saved on " + date +
                     "). Copy the files back now?";
  if (found.match == TStickMatch::LetterAndSize)
    text += "\r\n\r\nThe backup's note does not know the stick itself: it was recognised by its drive letter and "
            "size only.";
  return text;
}

}  // namespace sw
