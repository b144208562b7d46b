# Shared build settings of every Zova target.
include(GoogleTest)

add_library(zova_options INTERFACE)
target_compile_options(zova_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion)
# No folder of this machine in what the compiler writes (debug info, assertion texts): the same
# commit builds the same packages wherever it is checked out and built.
target_compile_options(zova_options INTERFACE -ffile-prefix-map=${PROJECT_SOURCE_DIR}/=
  -ffile-prefix-map=${PROJECT_BINARY_DIR}/=)
if(ZOVA_WERROR)
  target_compile_options(zova_options INTERFACE -Werror)
endif()
if(ZOVA_SANITIZE)
  target_compile_options(zova_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  target_link_options(zova_options INTERFACE -fsanitize=address,undefined)
  # Tests of processor time and of what binaries hold know they run instrumented.
  target_compile_definitions(zova_options INTERFACE ZOVA_SANITIZED=1)
endif()
if(ZOVA_FUZZ)
  target_compile_options(zova_options INTERFACE -fsanitize=address,undefined,fuzzer-no-link
    -fno-omit-frame-pointer -fno-sanitize-recover=all)
  target_link_options(zova_options INTERFACE -fsanitize=address,undefined)
endif()

# A framework of the platform stand-in: a shared library named after the framework, whose headers
# are included as <framework/Header.hpp>.
function(zova_framework name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS;PRIVATE_DEPENDS" ${ARGN})
  add_library(${name} SHARED ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/platform)
  target_link_libraries(${name} PUBLIC ${ARG_DEPENDS} PRIVATE zova_options ${ARG_PRIVATE_DEPENDS})
endfunction()

# A test executable built from the given sources, registered with CTest through GoogleTest.
function(zova_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE zova_options GTest::gtest GTest::gtest_main ${ARG_DEPENDS})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()

# Where the packages install the deliverables: "rootful" at the top of the file system, "rootless"
# under "/var/jb". `zova` and `zovaprefs` are built for ZOVA_PACKAGE_SCHEME, and a second pair for
# the other layout, so that one build makes and tests the packages of both.
set(ZOVA_PACKAGE_SCHEME rootful CACHE STRING "Layout of the zova and zovaprefs targets: rootful or rootless")
set_property(CACHE ZOVA_PACKAGE_SCHEME PROPERTY STRINGS rootful rootless)
if(ZOVA_PACKAGE_SCHEME STREQUAL "rootful")
  set(ZOVA_OTHER_PACKAGE_SCHEME rootless)
elseif(ZOVA_PACKAGE_SCHEME STREQUAL "rootless")
  set(ZOVA_OTHER_PACKAGE_SCHEME rootful)
else()
  message(FATAL_ERROR "ZOVA_PACKAGE_SCHEME must be rootful or rootless, not '${ZOVA_PACKAGE_SCHEME}'")
endif()

function(zova_package_scheme target scheme)
  if(scheme STREQUAL "rootless")
    target_compile_definitions(${target} PRIVATE ZOVA_PACKAGE_SCHEME_ROOTLESS)
  endif()
endfunction()

# A binary that goes into a package. The package's copy is stripped, and the build id would still
# hash the debug info it was made with, which names this machine's folders: no build id.
function(zova_packaged_binary target)
  target_link_options(${target} PRIVATE -Wl,--build-id=none)
endfunction()
