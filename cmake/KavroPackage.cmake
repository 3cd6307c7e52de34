# The release packages, made by CPack in <build>/packages: the Simplified Chinese installer
# Kavro-<version>-setup.exe (NSIS, needs makensis) and the portable Kavro-<version>.zip. Both hold
# the same program folder: kavro.exe, kavro.com when it was built, kavro.chm and 读我.txt.
set(KAVRO_README_NAME "读我.txt")
set(KAVRO_README ${CMAKE_BINARY_DIR}/packaging/${KAVRO_README_NAME})

# 读我.txt is UTF-8 with a byte-order mark and CR LF: Notepad reads it right whatever the system
# code page is, where a code-page-936 file would show as garbage on a non-Chinese Windows.
set(readmeSource ${CMAKE_SOURCE_DIR}/packaging/readme-zh.txt.in)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${readmeSource})
file(READ ${readmeSource} readmeText)
string(ASCII 239 187 191 utf8Bom)
file(CONFIGURE OUTPUT ${KAVRO_README} CONTENT "${utf8Bom}${readmeText}" @ONLY NEWLINE_STYLE CRLF)

install(TARGETS kavro RUNTIME DESTINATION .)
install(PROGRAMS ${CMAKE_BINARY_DIR}/kavro.com DESTINATION . OPTIONAL)
if(TARGET kavro_help)
  install(FILES ${CMAKE_BINARY_DIR}/kavro.chm DESTINATION .)
endif()
install(FILES ${KAVRO_README} DESTINATION .)

set(CPACK_GENERATOR NSIS ZIP)
set(CPACK_PACKAGE_NAME Kavro)
set(CPACK_PACKAGE_VENDOR Kavro)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "在多张 AutoCAD 图纸上运行同一段脚本")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kavro)
set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Kavro)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/packaging/package_names.cmake)
set(CPACK_STRIP_FILES OFF)
# Kavro's own NSIS.template.in replaces CPack's.
set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/packaging)
set(CPACK_KAVRO_ICON ${CMAKE_SOURCE_DIR}/src/app/res/kavro.ico)
set(CPACK_KAVRO_README ${KAVRO_README_NAME})
set(CPACK_KAVRO_FILE_VERSION ${KAVRO_FILE_VERSION})
include(CPack)
