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
else()
  # GoogleTest is compiled from source with the cross compiler (Debian ships its sources
  # in /usr/src/googletest); a Windows host may have an installed copy instead.
  set(VELTRANE_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
  if(EXISTS ${VELTRANE_GTEST_SOURCE_DIR}/CMakeLists.txt)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(${VELTRANE_GTEST_SOURCE_DIR} ${PROJECT_BINARY_DIR}/googletest
                     EXCLUDE_FROM_ALL)
  else()
    find_package(GTest REQUIRED)
  endif()

  # The contract suites again, now against the Win32 adapters (run under Wine or on
  # Windows). Its name must not be that of a Windows tool: Wine looks in the current
  # folder first.
  file(GLOB VELTRANE_CONTRACT_TESTS CONFIGURE_DEPENDS tests/contract/*.cpp
       tests/contract/windows/*.cpp)
  add_executable(veltrane_contract_win32 ${VELTRANE_CONTRACT_TESTS})
  target_include_directories(veltrane_contract_win32 PRIVATE tests)
  # crypt32: the loopback suite trusts its own certificate authority; d3d11: the lattice suite
  # makes its own device (tests, not the exe).
  target_link_libraries(veltrane_contract_win32 PRIVATE veltrane_win32 crypt32 d3d11 GTest::gtest
                                                        GTest::gtest_main GTest::gmock)
  if(MINGW)
    target_link_options(veltrane_contract_win32 PRIVATE -static)
  endif()
  add_test(NAME veltrane_contract_win32 COMMAND veltrane_contract_win32)
endif()

if(VELTRANE_FUZZ)
  include(${CMAKE_CURRENT_LIST_DIR}/fuzz.cmake)
endif()
