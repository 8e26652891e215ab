# libFuzzer targets, one per parser (tests/fuzz/), in a configuration of their own: the `fuzz`
# preset builds everything with clang under AddressSanitizer and UndefinedBehaviorSanitizer.
#
# Clang cannot compile Chinese literals to GBK (-fexec-charset=GBK is GCC's), so this build
# leaves them UTF-8. The targets only ever compare texts with literals compiled the same way,
# never with fixed GBK bytes, so their properties hold either way.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "The fuzz targets need clang's libFuzzer: configure with the fuzz preset")
endif()

# The code under test gets libFuzzer's coverage instrumentation without its main.
foreach(library vx_runtime vx_ui vx_window_headless vx_pipeline)
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link)
endforeach()

# The harness every target links whole, its LLVMFuzzerInitialize included; the headless list
# window for the targets that need one.
add_library(vx_fuzz_support OBJECT tests/fuzz/fuzz_support.cpp)
add_library(vx_fuzz_list_window STATIC tests/fuzz/list_window.cpp)
foreach(library vx_fuzz_support vx_fuzz_list_window)
  target_compile_options(${library} PRIVATE ${VX_WARNINGS} -fsanitize=fuzzer-no-link)
  target_include_directories(${library} PUBLIC ${CMAKE_SOURCE_DIR})
endforeach()
target_link_libraries(vx_fuzz_support PUBLIC vx_runtime)
target_link_libraries(vx_fuzz_list_window PUBLIC vx_ui vx_window_headless)

# `fuzzers` builds every target into build/fuzz/targets; scripts/run-fuzzers.sh runs them.
add_custom_target(fuzzers)
function(vx_fuzz_target name)
  add_executable(${name} tests/fuzz/${name}.cpp)
  target_compile_options(${name} PRIVATE ${VX_WARNINGS} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE vx_fuzz_support ${ARGN})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/targets)
  add_dependencies(fuzzers ${name})
endfunction()

vx_fuzz_target(list_items_fuzz vx_fuzz_list_window)
vx_fuzz_target(split_text_fuzz)
vx_fuzz_target(buffer_split_fuzz)
vx_fuzz_target(date_time_text_fuzz)
vx_fuzz_target(import_fuzz vx_pipeline vx_ui vx_window_headless vx_fuzz_list_window)
vx_fuzz_target(remove_duplicates_fuzz vx_pipeline vx_ui vx_window_headless vx_fuzz_list_window)
