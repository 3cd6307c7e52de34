function(kavro_warnings target)
  if(MSVC)
    target_compile_options(${target} PRIVATE /W4 /utf-8 /permissive-)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  endif()
endfunction()

# Code that only tests run (GoogleTest, the test programs and their support, the stand-in
# AutoCAD): built with -O1 whatever the build type, for build time. The product's code keeps the
# build type's optimization, and the tests test it as shipped.
function(kavro_test_code target)
  if(NOT MSVC)
    target_compile_options(${target} PRIVATE -O1)
  endif()
endfunction()
