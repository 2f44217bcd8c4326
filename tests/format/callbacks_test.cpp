// The library's callback commands as events: the command tables of format
// and check-disk, output conversion, the Cancel answer, and "go on" when
// there is nothing to report to.
#include "engine_fixture.h"

namespace sw::testing {
namespace {

using CallbackTest = EngineTest;

std::vector<LibraryCommand> EveryCommand() {
  std::vector<LibraryCommand> commands;
  for (uint32_t code : {1u, 6u, 7u, 8u, 9u, 15u, 16u, 25u, 42u}) commands.push_back(LibraryCommand::Code(code));
  commands.push_back(LibraryCommand::Done(true));
  return commands;
}

// The events raised by the library's commands, after the engine's own lines.
std::vector<std::string> LibraryLines(const std::vector<std::string>& infos, size_t ownLines) {
  return std::vector<std::string>(infos.begin() + static_cast<long>(ownLines), infos.end());
}

TEST_F(CallbackTest, FormatCommandTable) {
  library.script = EveryCommand();
  engine->FormatDisk(root, 0, 0, "x", false, 65536);
  // Own lines: checking, volume, starting; after success checking, volume, space.
  std::vector<std::string> lines = LibraryLines(infos, 3);
  lines.resize(lines.size() - 3);
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "Format Disk: Structure Created OK", "Format Disk: Insufficient Rights",
                       "Format Disk: FS Not Supported", "Format Disk: Volume In-Use",
                       "Format Disk: Quick Format Not Allowed", "Format Disk: Cluster Size Too Small",
                       "Format Disk Callback: 42", "Format Disk: Finished OK"}));
}

TEST_F(CallbackTest, CheckCommandTable) {
  library.script = EveryCommand();
  engine->CheckDisk(root, false, true, true, true);
  EXPECT_EQ(LibraryLines(infos, 1),
            (std::vector<std::string>{"Check Disk Callback: 1", "Check Disk: Insufficient Rights",
                                      "Check Disk: FS Not Supported", "Check Disk: Volume In-Use",
                                      "Check Disk Callback: 9", "Check Disk Callback: 15", "Check Disk Callback: 16",
                                      "Check Disk Callback: 42", "Check Disk: Finished OK"}));
}

TEST_F(CallbackTest, OnlyTheLowByteOfTheCommandCodeCounts) {
  LibraryCommand done = LibraryCommand::Done(true);
  done.code = 0x1200 | fmifs::kDone;
  library.script = {LibraryCommand::Code(0x300 | 25), done};
  EXPECT_TRUE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(LibraryLines(infos, 1), std::vector<std::string>{"Check Disk: Finished OK"});
}

TEST_F(CallbackTest, OutputIsTrimmedKeepsInnerLineBreaksAndBlankOutputRaisesNothing) {
  library.script = {LibraryCommand::Output("\r\n  Volume label is STICK.\r\nSerial 1234  \r\n"),
                    LibraryCommand::Output(" \t\r\n  \r\n"), LibraryCommand::Output(""), LibraryCommand::Done(true)};
  engine->CheckDisk(root, false, true, true, true);
  EXPECT_EQ(LibraryLines(infos, 1),
            (std::vector<std::string>{"Volume label is STICK.\r\nSerial 1234", "Check Disk: Finished OK"}));
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{1, 1, 1, 1}));
}

TEST_F(CallbackTest, OutputInTheOemCodePageArrivesAsUtf8) {
  if (GetOEMCP() != 437) GTEST_SKIP() << "written for OEM code page 437";
  library.script = {LibraryCommand::Output("Caf\x82 \x9A\xE1"), LibraryCommand::Done(true)};
  engine->CheckDisk(root, false, true, true, true);
  EXPECT_EQ(infos.at(1), "Caf\xC3\xA9 \xC3\x9C\xC3\x9F");
}

TEST_F(CallbackTest, MissingCommandDataIsReadAsNothing) {
  library.script = {LibraryCommand::WithNullData(fmifs::kProgress), LibraryCommand::WithNullData(fmifs::kOutput),
                    LibraryCommand::WithNullData(fmifs::kDone)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_TRUE(percents.empty());
  EXPECT_EQ(LibraryLines(infos, 1), std::vector<std::string>{"Check Disk: Unable to Finish"});
}

TEST_F(CallbackTest, NegativePercentageRaisesNoProgress) {
  library.script = {LibraryCommand::Percent(-1), LibraryCommand::Percent(0), LibraryCommand::Done(true)};
  engine->CheckDisk(root, false, true, true, true);
  EXPECT_EQ(percents, std::vector<int>{0});
}

TEST_F(CallbackTest, CancelFromTheInfoHandlerStopsACheck) {
  cancelOnInfo = true;
  library.script = {LibraryCommand::Percent(1), LibraryCommand::Output("Stage 1"), LibraryCommand::Output("Stage 2"),
                    LibraryCommand::Done(true)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(library.answers, (std::vector<uint8_t>{1, 0, 0}));
  EXPECT_EQ(LibraryLines(infos, 1), (std::vector<std::string>{"Stage 1", "Check Disk: Unable to Finish"}));
}

TEST_F(CallbackTest, WithoutHandlersEveryCommandGoesOn) {
  TFmtChkDsk silent(nullptr, FmtChkServices{&library, &system, &deviceIo, {}});
  library.script = EveryCommand();
  library.script.push_back(LibraryCommand::Percent(50));
  library.script.push_back(LibraryCommand::Output("Errors found"));
  EXPECT_TRUE(silent.CheckDisk(root, true, true, true, true));
  EXPECT_TRUE(silent.FormatDisk(root, 0, 0, "x", true, 65536));
  EXPECT_EQ(library.answers, std::vector<uint8_t>(2 * library.script.size(), 1));
}

TEST_F(CallbackTest, WithoutAnActiveEngineTheCallbacksGoOn) {
  // Earlier engines are gone, and this one has run nothing yet.
  fmifs::TextOutput record{1, "Errors found"};
  EXPECT_EQ(TFmtChkDsk::FormatCallback(fmifs::kOutput, 0, &record), 1);
  EXPECT_EQ(TFmtChkDsk::CheckDiskCallback(fmifs::kOutput, 0, &record), 1);
  EXPECT_TRUE(infos.empty());

  // Nor does a destroyed engine receive anything.
  library.script = {LibraryCommand::Done(true)};
  engine->CheckDisk(root, false, true, true, true);
  engine.reset();
  EXPECT_EQ(TFmtChkDsk::CheckDiskCallback(fmifs::kOutput, 0, &record), 1);
}

TEST_F(CallbackTest, AFailingHandlerIsShownAndStopsTheLibrary) {
  engine->onProgressEvent = [](int, bool&) { throw Exception("progress handler failed"); };
  library.script = {LibraryCommand::Percent(10), LibraryCommand::Done(true)};
  EXPECT_FALSE(engine->CheckDisk(root, false, true, true, true));
  EXPECT_EQ(library.answers[0], 0);
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].text, "progress handler failed");
}

}  // namespace
}  // namespace sw::testing
