# Shared build settings: warnings, sanitizers and the helper functions every
# folder uses to declare its targets.

if(TUMBLETOWN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
if(TUMBLETOWN_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

if(TUMBLETOWN_FUZZ)
  # Every library of a fuzz build carries coverage instrumentation, so a
  # fuzzer learns from the code it drives, not just from its own entry point.
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()

# tumbletown_set_warnings(<target>): the one place that decides warnings.
function(tumbletown_set_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(TUMBLETOWN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# tumbletown_check_name(<name> <kind> <root>): test and benchmark targets are
# named after their folder, so that a name says where its sources are:
# <kind>-<folder below root with "/" as "-">, optionally followed by -<topic>.
function(tumbletown_check_name name kind root)
  file(RELATIVE_PATH folder ${root} ${CMAKE_CURRENT_SOURCE_DIR})
  string(REPLACE "/" "-" folder "${folder}")
  set(want "${kind}-${folder}")
  if(NOT name STREQUAL want AND NOT "${name}" MATCHES "^${want}-[a-z0-9-]+$")
    message(FATAL_ERROR "${name}: a ${kind} target here is named ${want} or ${want}-<topic>")
  endif()
endfunction()

# tumbletown_library(<name> SOURCES ... [DEPS ...]): one library per folder.
# Headers are included from the project root, e.g. #include "wlib/App.h".
function(tumbletown_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS})
  endif()
  tumbletown_set_warnings(${name})
endfunction()

# tumbletown_header_library(<name> [DEPS ...]): a folder of headers only.
function(tumbletown_header_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  add_library(${name} INTERFACE)
  target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# tumbletown_executable(<name> SOURCES ... [DEPS ...])
function(tumbletown_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR})
  if(ARG_DEPS)
    target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  endif()
  tumbletown_set_warnings(${name})
endfunction()

# tumbletown_test(<name> SOURCES ... [DEPS ...]): a GoogleTest executable whose
# cases are registered with CTest one by one.
# The name is test-<folder under tests/, "/" as "->[-<topic>], e.g. test-store
# or test-platform-desktop-audio (see tumbletown_check_name).
function(tumbletown_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  tumbletown_check_name(${name} test ${PROJECT_SOURCE_DIR}/tests)
  tumbletown_executable(${name} SOURCES ${ARG_SOURCES} DEPS ${ARG_DEPS} GTest::gtest GTest::gtest_main GTest::gmock)
  # Each case is labelled with its folder under tests/ (e.g. "sound"), so a
  # flavour can run one layer alone: ctest -L sound.
  file(RELATIVE_PATH folder ${PROJECT_SOURCE_DIR}/tests ${CMAKE_CURRENT_SOURCE_DIR})
  gtest_discover_tests(${name} WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} DISCOVERY_TIMEOUT 60
                       PROPERTIES ENVIRONMENT "TUMBLETOWN_BUILD_DIR=${PROJECT_BINARY_DIR}" LABELS "${folder}")
endfunction()

# tumbletown_fuzzer(<name> SOURCES ... [DEPS ...] [CORPUS dir]): a libFuzzer
# entry point (LLVMFuzzerTestOneInput). In every build it is also linked with a
# small driver that runs it over its corpus as an ordinary test; with
# TUMBLETOWN_FUZZ (clang) a real fuzzer binary <name>-fuzzer is built too.
function(tumbletown_fuzzer name)
  cmake_parse_arguments(ARG "" "CORPUS" "SOURCES;DEPS" ${ARGN})
  tumbletown_executable(${name}-corpus SOURCES ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/fuzz/CorpusDriver.cpp
                        DEPS ${ARG_DEPS})
  if(ARG_CORPUS)
    add_test(NAME fuzz-corpus.${name} COMMAND ${name}-corpus ${ARG_CORPUS})
    set_tests_properties(fuzz-corpus.${name} PROPERTIES LABELS "fuzz")
  endif()
  if(TUMBLETOWN_FUZZ)
    tumbletown_executable(${name}-fuzzer SOURCES ${ARG_SOURCES} DEPS ${ARG_DEPS})
    target_compile_options(${name}-fuzzer PRIVATE -fsanitize=fuzzer)
    target_link_options(${name}-fuzzer PRIVATE -fsanitize=fuzzer)
    # Tells scripts/run-fuzzers.sh where this fuzzer's seed corpus is.
    file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/${name}-fuzzer.corpus "${ARG_CORPUS}")
  endif()
endfunction()

# tumbletown_benchmark(<name> SOURCES ... [DEPS ...]): the name is
# bench-<folder under bench/, "/" as "-">, e.g. bench-wlib-graphics.
function(tumbletown_benchmark name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  tumbletown_check_name(${name} bench ${PROJECT_SOURCE_DIR}/bench)
  tumbletown_executable(${name} SOURCES ${ARG_SOURCES} DEPS ${ARG_DEPS} benchmark::benchmark benchmark::benchmark_main)
endfunction()
