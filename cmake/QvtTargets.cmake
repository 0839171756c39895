# Compiler settings shared by every target of ours. Qt's headers come in as
# system headers through the imported targets, so warnings (and -Werror, with
# QVT_WERROR) only judge our code.

if(QVT_SANITIZE)
  add_compile_options(-fsanitize=${QVT_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
  add_link_options(-fsanitize=${QVT_SANITIZE})
endif()

if(QVT_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "QVT_FUZZ needs clang")
  endif()
  # Coverage instrumentation for everything the fuzz targets reach.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

function(qvt_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
  if(QVT_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# qvt_test(<name> SOURCES ... LIBS ... [GUI])
# One executable per area, registered with CTest.
function(qvt_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  set_target_properties(${name} PROPERTIES AUTOMOC ON
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${T_LIBS} Qt5::Test)
  qvt_warnings(${name})
  add_test(NAME ${name} COMMAND ${name})
  if(T_GUI)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endif()
endfunction()
