# The shipped program: the Win32 adapters over the portable core, one GUI-subsystem exe
# that needs nothing beyond the DLLs Windows itself ships.
enable_language(RC)

# The simulated machine serves the native tests only; nothing here links it.
set_target_properties(veltrane_sim PROPERTIES EXCLUDE_FROM_ALL ON)

# Only KnownDLLs are imported: Windows resolves static imports from the exe's own folder
# before any code runs, and the exe often starts from Downloads. Every other DLL
# (version, winhttp, bcrypt, wintrust, crypt32, powrprof, ...) is bound at run time from
# System32, so a missing export is a failed call, not a load error.
# tests/e2e/binary_test.sh holds the built exe to this.
file(GLOB VELTRANE_WIN32_SOURCES CONFIGURE_DEPENDS
     ${PROJECT_SOURCE_DIR}/src/platform/win32/*.cpp)
add_library(veltrane_win32 STATIC ${VELTRANE_WIN32_SOURCES})
target_link_libraries(veltrane_win32 PUBLIC veltrane_core advapi32 shell32 user32 ole32
                                            oleaut32 shlwapi)

# The resource script takes its version numbers from the project version.
configure_file(${PROJECT_SOURCE_DIR}/resources/version.h.in
               ${PROJECT_BINARY_DIR}/generated/veltrane_version.h @ONLY)

add_executable(Veltrane WIN32 ${PROJECT_SOURCE_DIR}/src/main_win32.cpp
                              ${PROJECT_SOURCE_DIR}/resources/veltrane.rc)
target_include_directories(Veltrane PRIVATE ${PROJECT_SOURCE_DIR}/resources
                                            ${PROJECT_BINARY_DIR}/generated)
target_link_libraries(Veltrane PRIVATE veltrane_win32)
set_target_properties(Veltrane PROPERTIES OUTPUT_NAME Veltrane
                                          RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR})
# The manifest and icon are read through the script: a change to either rebuilds it.
set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/veltrane.rc APPEND PROPERTY OBJECT_DEPENDS
             ${PROJECT_SOURCE_DIR}/resources/veltrane.manifest
             ${PROJECT_SOURCE_DIR}/resources/veltrane.ico)
file(GLOB VELTRANE_RESOURCE_FILES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/fonts/*.ttf
     ${PROJECT_SOURCE_DIR}/resources/images/*.png)
set_property(SOURCE ${PROJECT_SOURCE_DIR}/resources/veltrane.rc APPEND PROPERTY OBJECT_DEPENDS
             ${VELTRANE_RESOURCE_FILES})

if(MINGW)
  # wWinMain entry, and libstdc++, libgcc and winpthread linked in.
  target_link_options(Veltrane PRIVATE -municode -static)
elseif(MSVC)
  # The resource script carries the manifest; the linker must not add a second one.
  target_link_options(Veltrane PRIVATE /MANIFEST:NO)
endif()

# The lattice shader: its text is kept in the executable as a string and compiled at run
# time by the system's HLSL compiler (bound from System32 when first needed).
file(READ ${PROJECT_SOURCE_DIR}/resources/lattice.hlsl VELTRANE_LATTICE_HLSL)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/resources/lattice.hlsl)
configure_file(${PROJECT_SOURCE_DIR}/cmake/lattice_shader_text.h.in
               ${PROJECT_BINARY_DIR}/generated/lattice_shader_text.h @ONLY)
# The window, its drawing layer and the lattice renderer.
file(GLOB VELTRANE_GUI_WIN32_SOURCES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/gui/win32/*.cpp)
target_sources(veltrane_win32 PRIVATE ${VELTRANE_GUI_WIN32_SOURCES})
target_include_directories(veltrane_win32 PRIVATE ${PROJECT_BINARY_DIR}/generated)

# The contract suite carries the exe's resources too: the drawing layer's tests read the
# brand fonts and images from them.
if(TARGET veltrane_contract_win32)
  target_sources(veltrane_contract_win32 PRIVATE ${PROJECT_SOURCE_DIR}/resources/veltrane.rc)
  target_include_directories(veltrane_contract_win32 PRIVATE ${PROJECT_SOURCE_DIR}/resources
                                                             ${PROJECT_BINARY_DIR}/generated)
endif()

# Test-only: the same program calling itself the next release (version resource 2.10.2.0
# and the built-in text "2.10.2"), for the self-update's end-to-end test to publish on its
# loopback server. The shipped Veltrane.exe above is built with no override. Only the entry
# point and the version text's own source are compiled again; the rest comes from the
# libraries, whose own version text the linker then never needs.
function(veltrane_update_payload major minor patch)
  set(PROJECT_VERSION_MAJOR ${major})
  set(PROJECT_VERSION_MINOR ${minor})
  set(PROJECT_VERSION_PATCH ${patch})
  set(generated ${PROJECT_BINARY_DIR}/generated-payload)
  configure_file(${PROJECT_SOURCE_DIR}/resources/version.h.in ${generated}/veltrane_version.h
                 @ONLY)
  add_executable(veltrane_update_payload WIN32
                 ${PROJECT_SOURCE_DIR}/src/main_win32.cpp
                 ${PROJECT_SOURCE_DIR}/src/app/version_text.cpp
                 ${PROJECT_SOURCE_DIR}/resources/veltrane.rc)
  target_include_directories(veltrane_update_payload BEFORE PRIVATE ${generated})
  target_include_directories(veltrane_update_payload PRIVATE ${PROJECT_SOURCE_DIR}/resources
                                                             ${PROJECT_BINARY_DIR}/generated)
  target_compile_definitions(veltrane_update_payload
                             PRIVATE VELTRANE_TEST_VERSION_TEXT=L\"${major}.${minor}.${patch}\")
  target_link_libraries(veltrane_update_payload PRIVATE veltrane_win32)
  set_target_properties(veltrane_update_payload PROPERTIES OUTPUT_NAME Veltrane-${major}.${minor}.${patch})
  if(MINGW)
    target_link_options(veltrane_update_payload PRIVATE -municode -static)
  elseif(MSVC)
    target_link_options(veltrane_update_payload PRIVATE /MANIFEST:NO)
  endif()
endfunction()
veltrane_update_payload(2 10 2)

# Test-only: the self-update's end-to-end probe (tests/e2e/update_test.sh). Its name does
# not look like the product's, so no hand-off ever counts it as a running copy.
add_executable(update_probe ${PROJECT_SOURCE_DIR}/tests/e2e/update/update_probe.cpp)
target_include_directories(update_probe PRIVATE ${PROJECT_SOURCE_DIR}/tests)
target_link_libraries(update_probe PRIVATE veltrane_win32 crypt32)
if(MINGW)
  target_link_options(update_probe PRIVATE -municode -static)
endif()
