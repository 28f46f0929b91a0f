#pragma once

// Addresses the about windows open.
namespace AboutAddresses {

inline constexpr const char* kHomePage = "https://lumora-plenum.org/";
inline constexpr const char* kSupportMail = "mailto:support@lumora-plenum.org";
inline constexpr const char* kHowToPage = "https://lumora-plenum.org/how-to/";
inline constexpr const char* kVideoPage = "https://lumora-plenum.org/videos/";
inline constexpr const char* kTwitterShare =
    "https://twitter.com/intent/tweet?text=Lumora%20Plenum&url=https%3A%2F%2Flumora-plenum.org%2F";
inline constexpr const char* kFacebookLike =
    "https://www.facebook.com/sharer/sharer.php?u=https%3A%2F%2Flumora-plenum.org%2F";

} // namespace AboutAddresses
