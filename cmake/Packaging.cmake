# The files that make Lumora Plenum a program of the system (desktop entry, metainfo, icons,
# manual pages, bash completion). The Debian packages are built from debian/ with
# dpkg-buildpackage (scripts/package.sh).
if(NOT LUMORA_BUILD_UI)
  return()
endif()

add_subdirectory(${PROJECT_SOURCE_DIR}/packaging ${CMAKE_BINARY_DIR}/packaging)
