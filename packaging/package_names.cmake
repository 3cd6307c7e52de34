# Read by cpack once per generator: the package names, and the zip's one top folder "Kavro".
if(CPACK_GENERATOR STREQUAL "NSIS")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}-setup")
  # makensis reads file names in the locale's character set and crashes on 读我.txt in the C locale.
  if(NOT CMAKE_HOST_WIN32)
    set(ENV{LC_ALL} C.UTF-8)
  endif()
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  set(CPACK_PACKAGE_FILE_NAME "${CPACK_PACKAGE_NAME}-${CPACK_PACKAGE_VERSION}")
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
  set(CPACK_PACKAGING_INSTALL_PREFIX "/${CPACK_PACKAGE_INSTALL_DIRECTORY}")
endif()
