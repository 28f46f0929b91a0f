#pragma once

// Web addresses of the product's home and support pages (the download page is the update check's).
inline constexpr const char* kHomePageUrl = "https://lumora-plenum.org/";
inline constexpr const char* kSupportPageUrl = "https://lumora-plenum.org/support/";
