# The Debian package of Lumora Plenum, made by CPack from the install rules:
#   cpack -G DEB --config <build>/CPackConfig.cmake
# (scripts/package.sh makes a Release build and the package in one go). The package installs
# into /usr: the program folder /usr/lib/lumora-plenum, links in /usr/bin, and the desktop
# entry, metainfo, icons, manual pages, bash completion and copyright under /usr/share.
if(NOT LUMORA_BUILD_UI)
  # The package holds the desktop program: without it there is nothing to package.
  return()
endif()

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/packaging)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumora-plenum)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Lumora Plenum developers")
set(CPACK_PACKAGE_CONTACT "Lumora Plenum developers <dev@lumora-plenum.invalid>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://lumora-plenum.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "stamp text and picture watermarks onto photos in batches")
# The long description, as Debian shows it under the summary.
set(CPACK_PACKAGE_DESCRIPTION
    "Lumora Plenum stamps watermarks onto many photos at once. A watermark
template is an ordered list of text and picture layers with shadow,
outline, 3D, gradient and tiling effects, made in a template editor with
a live preview. The desktop program keeps a file list of photos and a
list of templates, previews the output, resizes the photos and writes
JPEG (keeping the photo's metadata), PNG, BMP or TIFF.

The command-line program lumora-batch stamps photos with the same
templates and settings, several at a time, without a display.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Libraries come from dpkg-shlibdeps. What it cannot see: the fonts of the interface (Chinese
# text needs a CJK font), the Qt image plugins loaded at run time and Qt's own Chinese texts
# (standard buttons and dialogs of the Chinese interface); Wine's Tahoma is the default face of
# text layers, and xdg-open shows the output folder after a run.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-wqy-microhei, qt6-image-formats-plugins, qt6-translations-l10n")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wine, xdg-utils")

include(CPack)
