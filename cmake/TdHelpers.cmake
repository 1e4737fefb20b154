# Shared compile settings and small helpers for the library, test, benchmark and fuzz folders.

add_library(td_options INTERFACE)
target_compile_options(td_options INTERFACE -Wall -Wextra -Werror)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # g++ 12 reports impossible overlaps inside std::string concatenation at -O2/-O3 (GCC bug 105651).
  target_compile_options(td_options INTERFACE -Wno-restrict)
endif()
target_include_directories(td_options INTERFACE ${CMAKE_SOURCE_DIR}/src)
target_compile_definitions(td_options INTERFACE TD_RESOURCE_DIR="${CMAKE_SOURCE_DIR}/resources")

if(TD_SANITIZE STREQUAL "address")
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
elseif(TD_SANITIZE STREQUAL "thread")
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
elseif(TD_SANITIZE)
  message(FATAL_ERROR "TD_SANITIZE must be address, thread or empty")
endif()

if(TD_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# td_library(NAME folder-name LINKS deps...): a library from every .cpp below the current folder.
function(td_library name)
  cmake_parse_arguments(ARG "" "" "LINKS;EXCLUDE" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(pattern IN LISTS ARG_EXCLUDE)
    list(FILTER sources EXCLUDE REGEX "${pattern}")
  endforeach()
  if(sources)
    # The headers are listed too, so that a new header (a new Q_OBJECT class) reaches AUTOMOC in a
    # build tree that already exists.
    file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    add_library(td_${name} STATIC ${sources} ${headers})
    target_link_libraries(td_${name} PUBLIC td_options ${ARG_LINKS})
  else()
    # A folder whose sources have not landed yet: headers only.
    add_library(td_${name} INTERFACE)
    target_link_libraries(td_${name} INTERFACE td_options ${ARG_LINKS})
  endif()
endfunction()

# td_test_folder(NAME LINKS deps... [KEYRING stems...] [SESSION_BUS stems...]): one test program per
# *_test.cpp of the current folder, so that each test file builds and runs on its own
# (test_<folder>_<stem>). The programs named in KEYRING need a real secret service: ctest runs them
# (and lists their tests) under scripts/with-keyring, in a D-Bus session of their own with an
# unlocked gnome-keyring. Those named in SESSION_BUS run in a D-Bus session of their own with nothing
# else on it (scripts/with-session-bus). Either way the daemons end with the script that started them.
function(td_test_folder name)
  cmake_parse_arguments(ARG "" "" "LINKS;EXTRA;KEYRING;SESSION_BUS" ${ARGN})
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  foreach(source IN LISTS sources)
    get_filename_component(stem ${source} NAME_WE)
    string(REGEX REPLACE "_test$" "" stem ${stem})
    set(target test_${name}_${stem})
    add_executable(${target} ${source} ${ARG_EXTRA})
    target_link_libraries(${target} PRIVATE td_options ${ARG_LINKS} GTest::gmock GTest::gtest_main)
    if(stem IN_LIST ARG_KEYRING)
      set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/with-keyring)
    elseif(stem IN_LIST ARG_SESSION_BUS)
      set_target_properties(${target} PROPERTIES CROSSCOMPILING_EMULATOR ${CMAKE_SOURCE_DIR}/scripts/with-session-bus)
    endif()
    # No time limit of its own: each test has the one ctest is given (scripts/test: --timeout 300),
    # which a sanitized build on a loaded machine needs. Listing a program's tests (under its bus
    # and keyring, when it has them) has as long.
    gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 300
                         PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
  endforeach()
endfunction()

# td_fuzzer(NAME SOURCE LINKS deps...): one libFuzzer target; its seeds live in fuzz/corpus/NAME.
function(td_fuzzer name source)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  add_executable(fuzz_${name} ${source})
  target_link_libraries(fuzz_${name} PRIVATE td_options ${ARG_LINKS})
  target_link_options(fuzz_${name} PRIVATE -fsanitize=fuzzer)
endfunction()

# td_benchmark(NAME SOURCE LINKS deps...): one Google Benchmark program.
function(td_benchmark name source)
  cmake_parse_arguments(ARG "" "" "LINKS" ${ARGN})
  add_executable(bench_${name} ${source})
  target_link_libraries(bench_${name} PRIVATE td_options ${ARG_LINKS} benchmark::benchmark_main)
endfunction()
