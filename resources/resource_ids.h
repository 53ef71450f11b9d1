#pragma once
// Numeric ids of the program's resources: dialog templates, their controls, strings, menus, icons,
// cursors and the commands the menus send. The numbers are part of the program's interface.

namespace larkspan::ids {

// Dialog templates.
inline constexpr int kMainWindowDialog = 102;
inline constexpr int kProgressWindowDialog = 139;
inline constexpr int kExistingFilePromptDialog = 167;
inline constexpr int kAboutBoxDialog = 100;

// Controls of the main window (template 102).
inline constexpr int kStatic = -1;  // a label nobody refers to
inline constexpr int kConvertButton = 1;
inline constexpr int kOnlineHelpButton = 1002;
inline constexpr int kFileList = 1014;
inline constexpr int kFormatCombo = 1019;
inline constexpr int kFolderCombo = 1023;
inline constexpr int kBrowseButton = 1025;
inline constexpr int kFilterCombo = 1026;
inline constexpr int kSelectFilesLabel = 1027;
inline constexpr int kOpenFolderButton = 1028;
inline constexpr int kFolderTree = 1033;
inline constexpr int kFormatLabel = 1057;
inline constexpr int kFolderLabel = 1058;
inline constexpr int kTargetGroup = 1062;
inline constexpr int kFilterLabel = 1077;

// Controls of the progress window (template 139).
inline constexpr int kAutoCloseCheck = 1007;
inline constexpr int kProgressBar = 1030;
inline constexpr int kDetailButton = 1036;
inline constexpr int kStopButton = 1037;
inline constexpr int kViewResultButton = 1038;
inline constexpr int kLogControl = 1043;
inline constexpr int kHiddenMark = 1046;
inline constexpr int kStatusLine = 1060;

// Controls of the existing-file prompt (template 167).
inline constexpr int kCancelButton = 2;
inline constexpr int kSaveForTaskCheck = 1007;
inline constexpr int kQuestionText = 1064;
inline constexpr int kWarningIcon = 1065;
inline constexpr int kOverwriteButton = 1067;
inline constexpr int kAutoRenameButton = 1068;

// Controls of the About box (template 100).
inline constexpr int kOkButton = 1;
inline constexpr int kHomePageLink = 1042;

// Strings.
inline constexpr int kStrAboutItem = 101;
inline constexpr int kStrVersion = 61205;
inline constexpr int kStrAppTitle = 61206;

// Menus and the commands they send.
inline constexpr int kFileListMenu = 140;
inline constexpr int kCmdCheckAll = 1081;
inline constexpr int kCmdUncheckAll = 1082;
inline constexpr int kCmdCheck = 32787;
inline constexpr int kCmdUncheck = 32788;
inline constexpr int kCmdOpen = 32789;

// The About item of the main window's window menu.
inline constexpr int kSysCmdAbout = 16;

// Images.
inline constexpr int kAppIcon = 128;
inline constexpr int kHandCursor = 143;

}  // namespace larkspan::ids
