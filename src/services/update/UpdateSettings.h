#pragma once

#include <QString>
#include <QUrl>

// Where the update check looks and what it points the user to.

// The environment variable that replaces the version file's address (tests point it at a
// server on this machine).
inline constexpr const char* kUpdateUrlVariable = "LUMORA_UPDATE_URL";

// The version file on the product's web server, or the address in LUMORA_UPDATE_URL.
QUrl updateVersionFileUrl();
// The page that offers the newest release for download.
QUrl downloadPageUrl();

// The local copy of the version file: "lu_version.ini" in the cache folder.
QString updateVersionFilePath();

// Section and keys of the version file. The section's spelling is that of the files published
// on the server and must stay as it is.
inline constexpr const char* kVersionFileSection = "Gerneral";
inline constexpr const char* kMajorVersionKey = "major_version";
inline constexpr const char* kMinorVersionKey = "minor_version";
inline constexpr const char* kBuildKey = "build";
