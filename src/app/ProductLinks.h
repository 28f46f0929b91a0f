#pragma once

// Web addresses of the product.
inline constexpr const char* kHomePageUrl = "https://lumora-plenum.org/";
inline constexpr const char* kSupportPageUrl = "https://lumora-plenum.org/support/";
inline constexpr const char* kDownloadPageUrl = "https://lumora-plenum.org/download/";
