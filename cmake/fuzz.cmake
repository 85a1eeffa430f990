# libFuzzer targets, one per tests/fuzz/*_fuzz.cpp, each linking the core and the sim.
# The libraries they link are instrumented too (coverage and sanitizers), so the fuzzer
# sees into the parsers it drives. Any sanitizer finding ends the run as a crash.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
  message(FATAL_ERROR "VELTRANE_FUZZ needs clang (libFuzzer); configure with the fuzz preset")
endif()

set(VELTRANE_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
foreach(library veltrane_core veltrane_sim)
  target_compile_options(${library} PRIVATE -fsanitize=fuzzer-no-link ${VELTRANE_SANITIZERS})
endforeach()

file(GLOB VELTRANE_FUZZ_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/tests/fuzz/*_fuzz.cpp)
add_custom_target(veltrane_fuzzers)
foreach(source ${VELTRANE_FUZZ_SOURCES})
  get_filename_component(name ${source} NAME_WE)
  add_executable(${name} ${source})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE veltrane_sim)
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer ${VELTRANE_SANITIZERS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer ${VELTRANE_SANITIZERS})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzzers)
  add_dependencies(veltrane_fuzzers ${name})
endforeach()
