# Settings shared by every Windows target: Unicode, a static runtime, the system libraries.
set(KAVRO_WIN_LIBS ole32 oleaut32 uuid shell32 shlwapi gdi32 user32)
# No import of hhctrl.ocx, which is not a known DLL: it is loaded from the system folder at first
# use (win/system_library_win.h). comctl32 (not a known DLL either), comdlg32, winhttp and crypt32
# (the cloud engine's HTTP and stored credentials) are bound at first use, after the program
# restricted its DLL search: linked the ordinary way, they and the DLLs they link (uxtheme,
# winspool, ...) would be looked for beside the program at its start.
# comctl32 is still found by name, so the manifest's version 6 is the one loaded.
set(kavroDelayed comctl32 comdlg32 winhttp crypt32)
if(MINGW)
  find_program(KAVRO_DLLTOOL NAMES ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32-dlltool dlltool REQUIRED)
  foreach(dll ${kavroDelayed})
    set(lib ${CMAKE_BINARY_DIR}/delayed/lib${dll}_delayed.a)
    set(def ${CMAKE_SOURCE_DIR}/cmake/delayed/${dll}.def)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/delayed)
    execute_process(COMMAND ${KAVRO_DLLTOOL} -d ${def} -y ${lib} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "dlltool could not make ${lib}")
    endif()
    list(APPEND KAVRO_WIN_LIBS ${lib})
  endforeach()
  list(APPEND KAVRO_WIN_LIBS delayimp)
elseif(MSVC)
  list(APPEND KAVRO_WIN_LIBS ${kavroDelayed} delayimp)
  foreach(dll ${kavroDelayed})
    add_link_options(/DELAYLOAD:${dll}.dll)
  endforeach()
endif()
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
  # The "wine" lanes that ctest hands the Windows tests (RESOURCE_GROUPS wine:1; the test preset
  # names this file): each a prefix, and with scripts/test.sh a display, of its own, so that
  # `ctest -jN` runs up to this many Windows tests at once without their sharing any state.
  set(KAVRO_WINE_LANES 2 CACHE STRING "Windows tests run at once under Wine, each in its own prefix")
  set(lanes "")
  math(EXPR lastLane "${KAVRO_WINE_LANES} - 1")
  foreach(lane RANGE ${lastLane})
    if(lanes)
      string(APPEND lanes ", ")
    endif()
    string(APPEND lanes "{ \"id\": \"${lane}\", \"slots\": 1 }")
  endforeach()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/wine-lanes.json CONTENT
       "{ \"version\": { \"major\": 1, \"minor\": 0 },\n  \"local\": [ { \"wine\": [ ${lanes} ] } ] }\n")
endif()
