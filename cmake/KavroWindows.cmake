# Settings shared by every Windows target: Unicode, a static runtime, the system libraries.
set(KAVRO_WIN_LIBS comctl32 comdlg32 ole32 oleaut32 uuid shell32 shlwapi gdi32 user32 htmlhelp)
set(KAVRO_RC ${CMAKE_SOURCE_DIR}/src/app/kavro.rc)

function(kavro_windows_target target)
  target_compile_definitions(${target} PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
                                               _WIN32_WINNT=0x0601 WINVER=0x0601)
endfunction()

# An executable with a static C/C++ runtime, so that it needs only system DLLs.
function(kavro_static_exe target)
  if(MINGW)
    target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                        $<$<CONFIG:Release,MinSizeRel>:-s>)
  endif()
endfunction()

# The same, with a wWinMain or wmain entry point.
function(kavro_windows_exe target)
  kavro_static_exe(${target})
  if(MINGW)
    target_link_options(${target} PRIVATE -municode)
  endif()
endfunction()

if(CMAKE_CROSSCOMPILING AND CMAKE_HOST_UNIX)
  # Tests and tools run under Wine in the build folder's private prefix.
  configure_file(${CMAKE_SOURCE_DIR}/scripts/wine-run.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
                 FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                  WORLD_READ WORLD_EXECUTE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
endif()
