# End-to-end tests of the Windows program: vx_e2e starts a program under Wine and acts on it as
# a user would, printing PASS or FAIL per step. They need a display: run the Windows suite under
# scripts/with-xvfb. Screenshots land in ${CMAKE_BINARY_DIR}/e2e.

set(VX_E2E_FLAGS ${VX_WARNINGS} ${VX_CHARSET})
set(VX_E2E_LINK -static -static-libgcc -static-libstdc++)

# Loaded into the program under test; no C++ runtime DLLs, since the target cannot find them.
add_library(vx_e2e_probe SHARED tests/e2e/target_probe_dll.cpp)
set_target_properties(vx_e2e_probe PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY
                      ${CMAKE_BINARY_DIR}/e2e-bin)
target_include_directories(vx_e2e_probe PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vx_e2e_probe PRIVATE ${VX_E2E_FLAGS})
target_link_options(vx_e2e_probe PRIVATE ${VX_E2E_LINK})

add_executable(vx_e2e_stand_in WIN32 tests/e2e/stand_in_target_win32.cpp)
target_compile_options(vx_e2e_stand_in PRIVATE ${VX_E2E_FLAGS})
target_link_libraries(vx_e2e_stand_in PRIVATE comctl32 comdlg32)
set_target_properties(vx_e2e_stand_in PROPERTIES RUNTIME_OUTPUT_DIRECTORY
                      ${CMAKE_BINARY_DIR}/e2e-bin)

add_executable(vx_e2e
  tests/e2e/e2e_main.cpp
  tests/e2e/report.cpp
  tests/e2e/target_process.cpp
  tests/e2e/window_lookup.cpp
  tests/e2e/input_actions.cpp
  tests/e2e/menu_actions.cpp
  tests/e2e/dialog_actions.cpp
  tests/e2e/file_actions.cpp
  tests/e2e/clipboard_actions.cpp
  tests/e2e/list_actions.cpp
  tests/e2e/probe_actions.cpp
  tests/e2e/pass_freeze.cpp
  tests/e2e/screenshot.cpp
  tests/e2e/vextorin_program.cpp
  tests/e2e/main_window_scenario.cpp
  tests/e2e/list_menu_scenario.cpp
  tests/e2e/batch_run_scenario.cpp
  tests/e2e/conveniences_scenario.cpp
  tests/e2e/dpi_scenario.cpp
  tests/e2e/stand_in_scenario.cpp
  tests/e2e/wine_bench_scenario.cpp
  bench/input_lines.cpp)
target_include_directories(vx_e2e PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(vx_e2e PRIVATE ${VX_E2E_FLAGS})
target_link_libraries(vx_e2e PRIVATE version psapi)
set_target_properties(vx_e2e PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/e2e-bin)
add_dependencies(vx_e2e vx_e2e_probe vx_e2e_stand_in Vextorin)

# ImageMagick's screenshot tool; without it the screenshot steps fail and say so.
find_program(VX_IMPORT_TOOL import)

# One CTest test per scenario. They share the display and the pointer, so they never overlap.
# Each has two attempts: a stall of the shared machine can cost a step its timing.
function(vx_e2e_test name scenario program)
  add_test(NAME e2e.${name}
    COMMAND vx_e2e ${scenario} --program ${program} --probe $<TARGET_FILE:vx_e2e_probe>
            --out ${CMAKE_BINARY_DIR}/e2e --import ${VX_IMPORT_TOOL} --attempts 2)
  set_tests_properties(e2e.${name} PROPERTIES LABELS e2e TIMEOUT 240 RESOURCE_LOCK display
                       FAIL_REGULAR_EXPRESSION "(^|\n)FAIL ")
endfunction()

vx_e2e_test(stand_in stand-in $<TARGET_FILE:vx_e2e_stand_in>)
vx_e2e_test(main_window main-window $<TARGET_FILE:Vextorin>)
vx_e2e_test(list_menu list-menu $<TARGET_FILE:Vextorin>)
vx_e2e_test(batch_run batch-run $<TARGET_FILE:Vextorin>)
vx_e2e_test(conveniences conveniences $<TARGET_FILE:Vextorin>)
vx_e2e_test(dpi dpi $<TARGET_FILE:Vextorin>)
# wine-bench is a benchmark, run by scripts/run-benchmarks.sh, and wine-soak a soak, run by
# scripts/run-soak.sh, rather than by CTest.
