# Sanitized native builds (the native-sanitize preset): AddressSanitizer and
# UndefinedBehaviorSanitizer in everything built after this point, and every report ends the
# program, so that a test on which one reports fails. With KAVRO_FUZZ the portable code also
# carries libFuzzer's coverage instrumentation, for the fuzz targets of tests/fuzz.
option(KAVRO_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(KAVRO_FUZZ "Build the libFuzzer targets (needs clang)" OFF)

if(KAVRO_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KAVRO_FUZZ AND NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "KAVRO_FUZZ needs clang (libFuzzer)")
endif()

# Coverage for the fuzzer in a library that the fuzz targets link.
function(kavro_fuzz_coverage target)
  if(KAVRO_FUZZ)
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link)
  endif()
endfunction()
