# GoogleTest built from Debian's sources, for the native and the cross build alike.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

# One test program per layer; each test case becomes a CTest test named program.Suite.Case.
# `LABELS threaded` (one label) marks the programs that the ThreadSanitizer build runs;
# `PROPERTIES` adds CTest properties to every test of the program.
function(vx_test_program name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES;LABELS;PROPERTIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} tests/test_main.cpp)
  target_compile_options(${name} PRIVATE ${VX_WARNINGS} ${VX_CHARSET})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gtest)
  target_compile_definitions(${name} PRIVATE VX_TEST_DATA_DIR="${CMAKE_SOURCE_DIR}/tests/data")
  if(ARG_LABELS)
    set(label_property LABELS ${ARG_LABELS})
  endif()
  # Started away from their own folder, so that they see the runtime make it the current one.
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/test-start)
  gtest_discover_tests(${name} TEST_PREFIX "${name}." DISCOVERY_MODE PRE_TEST
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/test-start
    DISCOVERY_TIMEOUT 120 PROPERTIES ${label_property} ${ARG_PROPERTIES} TIMEOUT 600)
endfunction()

vx_test_program(runtime_tests
  SOURCES
    tests/runtime/values_test.cpp
    tests/runtime/runtime_test.cpp
    tests/runtime/md5_test.cpp
    tests/runtime/md5_lanes_test.cpp
    tests/runtime/sha256_test.cpp
    tests/runtime/sha256_lanes_test.cpp
    tests/runtime/hex_digits_test.cpp
    tests/runtime/threads_test.cpp
    tests/runtime/conversions_test.cpp
    tests/runtime/date_time_test.cpp
    tests/runtime/texts_test.cpp
    tests/runtime/splitting_test.cpp
    tests/runtime/clock_test.cpp
    tests/runtime/files_test.cpp
    tests/runtime/buffer_record_test.cpp
    tests/runtime/rapid_string_test.cpp
  LIBRARIES vx_runtime
  LABELS threaded)

vx_test_program(ui_tests
  SOURCES
    tests/ui/row_store_test.cpp
    tests/ui/list_control_test.cpp
    tests/ui/units_test.cpp
    tests/ui/window_commands_test.cpp
  LIBRARIES vx_app vx_ui vx_window_headless vx_runtime
  LABELS threaded)

vx_test_program(app_tests
  SOURCES
    tests/app/main_window_test.cpp
    tests/app/shell_test.cpp
  LIBRARIES vx_app vx_ui vx_window_headless vx_runtime
  LABELS threaded)

# The Win32 window in its own process; Windows and Wine only. Its windows take the focus, so it
# shares the display with nothing else (the end-to-end tests take the same lock).
if(WIN32)
  vx_test_program(ui_win32_tests
    SOURCES tests/ui/window_win32_test.cpp
    LIBRARIES vx_app vx_ui vx_window_win32 vx_runtime
    PROPERTIES RESOURCE_LOCK display)
endif()

vx_test_program(pipeline_tests
  SOURCES
    tests/pipeline/import_test.cpp
    tests/pipeline/row_key_set_test.cpp
    tests/pipeline/remove_duplicates_test.cpp
    tests/pipeline/md5_pass_test.cpp
    tests/pipeline/export_test.cpp
    tests/pipeline/clear_list_test.cpp
    tests/pipeline/copy_row_test.cpp
    tests/pipeline/command_progress_test.cpp
  LIBRARIES vx_app vx_pipeline vx_ui vx_window_headless vx_runtime
  LABELS threaded)
