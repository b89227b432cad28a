# bsfx_add_test(NAME SOURCES a.cpp b.cpp LIBS lib1 lib2 LABELS unit|gui|e2e [GUI])
#
# Builds one GoogleTest binary and registers its cases with CTest under the
# given labels. GUI tests get a main() that selects Qt's offscreen platform
# and makes the application object before any test runs.
include(GoogleTest)
find_package(GTest REQUIRED)

function(bsfx_add_test name)
  cmake_parse_arguments(T "GUI" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  if(T_GUI)
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/gui_main.cpp)
    target_link_libraries(${name} PRIVATE GTest::gtest Qt6::Widgets Qt6::Test bsfx_ui)
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} Threads::Threads)
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_compile_definitions(${name} PRIVATE
    BSFX_SOURCE_DIR="${CMAKE_SOURCE_DIR}" BSFX_BINARY_DIR="${CMAKE_BINARY_DIR}")
  if(NOT T_LABELS)
    set(T_LABELS unit)
  endif()
  gtest_discover_tests(${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS "${T_LABELS}" TIMEOUT 300
               ENVIRONMENT "QT_QPA_PLATFORM=offscreen;BSFX_BIN_DIR=${CMAKE_BINARY_DIR}/bin")
endfunction()
