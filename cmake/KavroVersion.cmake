# The program's version comes from project(VERSION) alone. This makes what the sources need from it
# in <build>/generated: kavro_version.h for the version resource and the main window's caption, and
# the manifest.
set(KAVRO_FILE_VERSION "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.0")
set(KAVRO_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(${CMAKE_SOURCE_DIR}/cmake/kavro_version.h.in ${KAVRO_GENERATED_DIR}/kavro_version.h
               @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/src/app/res/kavro.manifest.in
               ${KAVRO_GENERATED_DIR}/kavro.manifest @ONLY)
