#pragma once

#include <QString>

// Where the program keeps its files. Every path uses "/" and has no trailing slash.
// The per-user folders can be replaced process-wide (command-line option, tests); the
// overrides and the templates folder may be read from any thread.

// Name of the product folder inside the per-user folders.
inline constexpr const char* kProductFolderName = "Lumora Plenum";

// Folder of the running executable; "." when it cannot be determined.
QString GetProgramFolder();
// The folder holding the program's read-only files (skin/, Lang/): the program folder when
// skin/ lies beside the executable (the build folder), else the installed place
// <prefix>/share/lumora-plenum beside <prefix>/bin.
QString getProgramDataFolder();

// Per-user data folder (GenericDataLocation + "/Lumora Plenum", or the override), created
// with all missing parents on every request. Without a usable standard location it is the
// program folder + "/Profile".
QString GetAppDataFolder();
// The path GetAppDataFolder gives, without creating anything.
QString appDataFolderPath();
// Documents folder + "/Lumora Plenum" (or the override), created on every request; the
// default output folder of a new preference file. Same "/Profile" fallback.
QString GetDocumentsFolder();
// The path GetDocumentsFolder gives, without creating anything.
QString documentsFolderPath();
// Cache folder + "/Lumora Plenum" (or the override): cached preview pictures and the
// downloaded version file. Not created here.
QString PreviewCacheFolder();

// An empty path removes the override.
void setAppDataFolderOverride(const QString& path);
void setDocumentsFolderOverride(const QString& path);
void setPreviewCacheFolderOverride(const QString& path);

// The templates folder, fixed once at start. Until it is set, it follows the data folder.
void setTemplatesFolder(const QString& path);
QString getTemplatesFolder();
// Sets the templates folder to the data folder + "/templates", as the program does at start.
void initTemplatesFolder();

// folder + "/" + name, without doubling a slash that ends the folder.
QString joinPath(const QString& folder, const QString& name);
