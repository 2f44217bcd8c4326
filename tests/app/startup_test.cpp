// Start-up: the rights check and its refusal, the year rule of the
// copyright line and the About box.
#include "fakes/main_form_fixture.h"

namespace sw::testing {
namespace {

using StartupTest = MainFormTest;

TEST_F(StartupTest, WithoutAdministratorRightsOnlyTheRefusalBoxIsShownAndTheProcessEnds) {
  system.administrator = false;
  TMainForm& f = CreateForm();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  const fakes::ShownBox& box = dialogs.shown[0];
  EXPECT_EQ(box.kind, "message");
  EXPECT_EQ(box.owner, nullptr);
  EXPECT_EQ(box.title, "Stickwise 2.0");
  EXPECT_EQ(box.icon, MessageIcon::Error);
  EXPECT_EQ(box.text,
            "Permission denied.\r\nThe administrator privilege is required to run this program.\r\n"
            "Right-click the icon of this program, and choose 'Run As Administrator'.");
  ASSERT_TRUE(system.endedWith.has_value());
  EXPECT_EQ(*system.endedWith, 0u);
  EXPECT_FALSE(tk::Application().ShowMainForm);
  EXPECT_TRUE(tk::Application().Terminated());
  EXPECT_FALSE(f.StartupCompleted());
  EXPECT_FALSE(IsWindowVisible(f.Handle()));
  form.reset();
  EXPECT_FALSE(SettingsKeyExists()) << "a refused start writes nothing";
}

TEST_F(StartupTest, CopyRefusedBeforeStartUpRunsNoStep) {
  // The single-instance guard asks the application to end while the window
  // is being built; start-up then neither asks for rights nor probes drives.
  tk::Application().Terminate();
  system.administrator = false;
  WriteFs(2);
  TMainForm& f = CreateForm();
  EXPECT_TRUE(dialogs.shown.empty());
  EXPECT_FALSE(system.endedWith.has_value());
  EXPECT_FALSE(f.StartupCompleted());
  EXPECT_EQ(f.FileSystem->ItemIndex(), 0);
}

TEST_F(StartupTest, FailedTokenQueryShowsTheSystemErrorAndStopsStartUp) {
  system.failAdministratorCheck = true;
  WriteFs(2);
  TMainForm& f = CreateForm();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::Error);
  EXPECT_NE(dialogs.shown[0].text.find("Code: 5."), std::string::npos) << dialogs.shown[0].text;
  EXPECT_FALSE(f.StartupCompleted());
  EXPECT_EQ(f.FileSystem->ItemIndex(), 0) << "settings are not loaded after the error";
  EXPECT_FALSE(system.endedWith.has_value());
}

TEST_F(StartupTest, CopyrightYearFollowsTheCurrentYearFrom2022) {
  EXPECT_EQ(CopyrightCaptionForYear("(c) 2021 Maker 2021", 2021), "(c) 2021 Maker 2021");
  EXPECT_EQ(CopyrightCaptionForYear("(c) 2021 Maker 2021", 2025), "(c) 2025 Maker 2025");
  EXPECT_EQ(CopyrightCaptionForYear("no year", 2030), "no year");

  locale.now.year = 2025;
  TMainForm& f = CreateForm();
  EXPECT_NE(f.lblCopyright->Caption().find("2025"), std::string::npos);
  EXPECT_EQ(f.lblCopyright->Caption().find("2021"), std::string::npos);
  EXPECT_FALSE(f.MakerWebAddress.empty());
}

TEST_F(StartupTest, AboutBoxGivesTitleVersionAndCopyrightYear) {
  locale.now.year = 2021;
  TMainForm& f = CreateForm();
  f.Image1Click();
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "About");
  EXPECT_EQ(dialogs.shown[0].owner, f.Handle());
  EXPECT_EQ(dialogs.shown[0].icon, MessageIcon::None);
  EXPECT_NE(dialogs.shown[0].text.find("Stickwise"), std::string::npos);
  EXPECT_NE(dialogs.shown[0].text.find("2.0.1.165"), std::string::npos);
  EXPECT_NE(dialogs.shown[0].text.find("2021"), std::string::npos);
  EXPECT_NE(AboutText(2031).find("2031"), std::string::npos);
  EXPECT_EQ(AboutText(2031).find("2021"), std::string::npos);
}

}  // namespace
}  // namespace sw::testing
