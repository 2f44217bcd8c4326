// The stored description of the main window: every control with its
// caption, position (pixels at 96 dpi), tab order, initial state and
// handler, and the window's non-visual components.
#include "app/fmtmain.h"
#include "app/resource_ids.h"

// The table lists only the fields a row needs; the rest keep their defaults.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace sw {

using tk::ControlKind;

const tk::FormDescription& MainFormDescription() {
  static const tk::FormDescription description = [] {
    tk::FormDescription d;
    d.name = "MainForm";
    d.caption = kMainCaption;
    d.clientWidth = 497;
    d.clientHeight = 509;
    d.fontName = "Arial";
    d.fontPoints = 8;

    auto add = [&d](tk::ControlDescription c) { d.controls.push_back(std::move(c)); };
    // name, kind, parent, caption, items, left, top, width, height, tab order,
    // visible, enabled, handler, context menu, picture, fills its parent
    add({"Panel1", ControlKind::Panel, "", "", {}, 0, 0, 497, 509, -1, true, true, "", "", 0, true});
    add({"Label2", ControlKind::Label, "Panel1", "Device", {}, 31, 14, 33, 14});
    add({"cbDevice", ControlKind::ComboList, "Panel1", "", {}, 31, 42, 314, 22, 0, true, true, "cbDeviceChange"});
    add({"dioRefresh", ControlKind::Button, "Panel1", "Refresh Devices", {}, 358, 40, 104, 26, 1, true, true,
         "dioRefreshClick"});
    add({"Label3", ControlKind::Label, "Panel1", "File System", {}, 31, 84, 55, 14});
    add({"FileSystem", ControlKind::ComboList, "Panel1", "", {"NTFS", "FAT", "FAT32", "EXFAT"}, 31, 112, 98, 22, 2,
         true, true, "FileSystemChange"});
    add({"Label1", ControlKind::Label, "Panel1", "Volume Label", {}, 175, 84, 64, 14});
    add({"VolumeLabel", ControlKind::Edit, "Panel1", "", {}, 175, 112, 287, 22, 3});
    add({"GroupBox1", ControlKind::GroupBox, "Panel1", "Format Options", {}, 31, 154, 431, 71, 4});
    add({"OptQuickFmt", ControlKind::CheckBox, "GroupBox1", "Quick Format", {}, 27, 31, 103, 16, 0});
    add({"OptCorrectErrors", ControlKind::CheckBox, "GroupBox1", "Scan drive for errors", {}, 278, 31, 134, 16, 1});
    // Our own option, on the free row below the two: the group keeps its size.
    add({"OptMeasureSpeed", ControlKind::CheckBox, "GroupBox1", "Measure speed before and after", {}, 27, 50, 200,
         16, 2});
    add({"OptCheckCapacity", ControlKind::CheckBox, "GroupBox1", "Check the real capacity", {}, 278, 50, 150, 16, 3});
    add({"Log", ControlKind::Memo, "Panel1", "", {}, 31, 249, 431, 144, 5, true, true, "", "PopupMenu1"});
    add({"OptVerbose", ControlKind::CheckBox, "Panel1", "Verbose", {}, 412, 72, 71, 17, 6, false});
    add({"ProgressBar", ControlKind::ProgressBar, "Panel1", "", {}, 31, 416, 431, 22, 7, false});
    add({"btnStart", ControlKind::Button, "Panel1", "Start", {}, 58, 444, 96, 24, 8, true, true, "btnStartClick"});
    add({"btnCancel", ControlKind::Button, "Panel1", "Cancel", {}, 58, 444, 96, 24, 9, false, true,
         "btnCancelClick"});
    add({"btnClose", ControlKind::Button, "Panel1", "Close", {}, 326, 444, 96, 24, 10, true, true, "btnCloseClick"});
    add({"Image1", ControlKind::Image, "Panel1", "", {}, 221, 450, 0, 0, -1, true, true, "Image1Click", "",
         kLogoBitmap});
    add({"lblCopyright", ControlKind::Label, "Panel1", "Copyright \xC2\xA9 2021 Quellmar Software", {}, 54, 483,
         327, 14, -1, true, true, "lblCopyrightClick"});
    add({"lblBottomMsg", ControlKind::AutoSizeLabel, "Panel1", "", {}, 31, 500, 3, 14});

    d.components.push_back({"InstanceControl1", "TInstanceControl", {{"Enabled", "true"}, {"MaxInstances", "1"}}});
    d.components.push_back({"Timer1", "TTimer", {{"Enabled", "false"}, {"Interval", "1200"}}, {}, "Timer1Timer"});
    d.components.push_back({"PopupMenu1",
                            "TPopupMenu",
                            {},
                            {{"Copy1", "&Copy All", "Copy1Click"},
                             {"Print1", "&Print All", "Print1Click"},
                             {"Save1", "&Save All", "Save1Click"},
                             {"N1", "-", ""},
                             {"Clear1", "Clear All", "Clear1Click"}}});
    d.components.push_back({"XPManifest1", "TXPManifest", {}});
    return d;
  }();
  return description;
}

}  // namespace sw
