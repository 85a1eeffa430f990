# Test tiers built on each target. Natively: unit and contract suites against the sim,
# benchmarks and fuzz targets. On Windows: the contract suites against the Win32 adapters.
enable_testing()

if(NOT VELTRANE_WINDOWS)
  find_package(GTest REQUIRED)
  include(GoogleTest)
  file(GLOB_RECURSE VELTRANE_UNIT_TESTS CONFIGURE_DEPENDS tests/unit/*.cpp)
  file(GLOB VELTRANE_CONTRACT_TESTS CONFIGURE_DEPENDS tests/contract/*.cpp
       tests/contract/native/*.cpp)
  add_executable(veltrane_tests ${VELTRANE_UNIT_TESTS} ${VELTRANE_CONTRACT_TESTS})
  target_include_directories(veltrane_tests PRIVATE tests)
  target_link_libraries(veltrane_tests PRIVATE veltrane_sim GTest::gtest GTest::gtest_main
                                               GTest::gmock)
  gtest_discover_tests(veltrane_tests DISCOVERY_TIMEOUT 60)

  find_package(benchmark QUIET)
  file(GLOB VELTRANE_BENCH_SOURCES CONFIGURE_DEPENDS tests/bench/*.cpp)
  if(benchmark_FOUND AND VELTRANE_BENCH_SOURCES)
    add_executable(veltrane_bench ${VELTRANE_BENCH_SOURCES})
    target_link_libraries(veltrane_bench PRIVATE veltrane_sim benchmark::benchmark)
  endif()
endif()
