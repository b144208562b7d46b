# Shared build settings of every Zova target.
include(GoogleTest)

add_library(zova_options INTERFACE)
target_compile_options(zova_options INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
  -Wno-sign-conversion)
if(ZOVA_WERROR)
  target_compile_options(zova_options INTERFACE -Werror)
endif()
if(ZOVA_SANITIZE)
  target_compile_options(zova_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer
    -fno-sanitize-recover=all)
  target_link_options(zova_options INTERFACE -fsanitize=address,undefined)
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
