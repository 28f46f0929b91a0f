#pragma once

// Ids of the built-in pictures (replaceable through the language file's "BITMAP" section).
namespace BuiltinPictureIds {

inline constexpr int LayerButtonNormal = 152;   // layer menu button, 32 x 24
inline constexpr int LayerButtonPressed = 153;  // layer menu button held down
inline constexpr int PreviousPhotoButton = 186; // three frames of 79 x 19: normal, pressed, hover
inline constexpr int NextPhotoButton = 187;     // three frames of 79 x 19
inline constexpr int PushButtonNormal = 232;    // 64 x 20 push button of the naming dialogs
inline constexpr int PushButtonHot = 233;
inline constexpr int PushButtonPressed = 234;
inline constexpr int PushButtonDisabled = 235;
inline constexpr int PathFieldEmpty = 236;    // picture path field without text
inline constexpr int PathFieldWithText = 237; // picture path field holding a path

} // namespace BuiltinPictureIds

// Ids of built-in texts (replaceable through the language file's "STRING" section).
namespace BuiltinStringIds {

inline constexpr int LayerButtonTip = 109;    // "单击此处操作层"
inline constexpr int FirstLocationName = 114; // 114 to 122: the nine anchor names in grid order

} // namespace BuiltinStringIds
