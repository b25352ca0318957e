# libFuzzer targets. The rest of the build is compiled by the platform's own
# compiler, without the coverage that guides the fuzzer, so a fuzz target is
# compiled apart with clang, straight from the sources it exercises: the parser's
# own files and the few it calls, never a library that drags in the transport or
# the window. Only the host build fuzzes, and only where clang is installed; the
# sanitizer build leaves them out, since the plain host build already runs them.
if(NOT QUILLMAR_WINDOWS AND NOT QUILLMAR_SANITIZE)
  find_program(QUILLMAR_CLANGXX NAMES clang++-14 clang++)
endif()

# How long each fuzz target runs under CTest, in seconds: long enough to pass the
# seeds' neighbourhood, short enough that every target together stays a couple of
# minutes in CI. Raise it for a longer hunt by hand.
set(QUILLMAR_FUZZ_SECONDS 15 CACHE STRING "Seconds each fuzz target runs under CTest")

# quillmar_add_fuzz_target(NAME <name> SOURCES <file>...
#                          [SEEDS <file or folder>...] [LIBS <library>...]
#                          [INCLUDES <folder>...] [DEPENDS <file>...] [FIXTURES <fixture>...])
#
# Builds quillmar-<name>-fuzzer from SOURCES (relative to the calling folder, or
# absolute, generated files included) with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer, any finding fatal, and registers the test
# quillmar-<name>-fuzz under label fuzz. The test runs QUILLMAR_FUZZ_SECONDS over
# the corpus <binary folder>/fuzz-corpus/<name>, which grows across runs, and the
# SEEDS: seed files are copied into one seed folder at configure time, and any other
# item is a folder passed as it is (it may be filled later, by a test in FIXTURES).
# LIBS are system libraries linked by name (crypto); INCLUDES are searched after
# src/; DEPENDS are files the build must make first (generated headers). A finding
# is written under <binary folder>/fuzz-artifacts/<name>/.
function(quillmar_add_fuzz_target)
  cmake_parse_arguments(arg "" "NAME" "SOURCES;SEEDS;LIBS;INCLUDES;DEPENDS;FIXTURES" ${ARGN})
  if(NOT QUILLMAR_CLANGXX)
    return()
  endif()
  if(NOT arg_NAME OR NOT arg_SOURCES)
    message(FATAL_ERROR "quillmar_add_fuzz_target needs NAME and SOURCES")
  endif()

  set(work ${CMAKE_CURRENT_BINARY_DIR}/fuzz/${arg_NAME})
  set(flags -std=c++20 -g -O1 -Wall -Wextra -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
  if(QUILLMAR_WARNINGS_AS_ERRORS)
    list(APPEND flags -Werror)
  endif()
  # The definitions every other target gets from the project (the path's characters).
  get_property(definitions DIRECTORY ${PROJECT_SOURCE_DIR} PROPERTY COMPILE_DEFINITIONS)
  list(TRANSFORM definitions PREPEND -D)
  list(APPEND flags ${definitions})
  set(include_flags -I${PROJECT_SOURCE_DIR}/src)
  foreach(folder IN LISTS arg_INCLUDES)
    list(APPEND include_flags -I${folder})
  endforeach()
  list(APPEND include_flags -isystem ${QUILLMAR_HEADER_LINKS})

  # One object per source, each with its header dependencies, so a change to one
  # header rebuilds only what includes it and the compiler cache serves the rest.
  set(objects "")
  foreach(source IN LISTS arg_SOURCES)
    cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    cmake_path(RELATIVE_PATH source BASE_DIRECTORY ${PROJECT_SOURCE_DIR} OUTPUT_VARIABLE relative)
    if(relative MATCHES "^\\.\\./")  # generated, in the build folder
      cmake_path(RELATIVE_PATH source BASE_DIRECTORY ${PROJECT_BINARY_DIR} OUTPUT_VARIABLE relative)
    endif()
    string(MAKE_C_IDENTIFIER ${relative} object_name)
    set(object ${work}/${object_name}.o)
    add_custom_command(OUTPUT ${object}
      COMMAND ${CMAKE_CXX_COMPILER_LAUNCHER} ${QUILLMAR_CLANGXX} ${flags} ${include_flags}
              -MD -MF ${object}.d -c ${source} -o ${object}
      DEPENDS ${source} ${arg_DEPENDS}
      DEPFILE ${object}.d
      COMMENT "Compiling ${relative} for the ${arg_NAME} fuzz target"
      VERBATIM)
    list(APPEND objects ${object})
  endforeach()

  set(fuzzer ${work}/quillmar-${arg_NAME}-fuzzer)
  list(TRANSFORM arg_LIBS PREPEND -l OUTPUT_VARIABLE link_flags)
  add_custom_command(OUTPUT ${fuzzer}
    COMMAND ${QUILLMAR_CLANGXX} -fsanitize=fuzzer,address,undefined ${objects} ${link_flags} -o ${fuzzer}
    DEPENDS ${objects}
    COMMENT "Linking the ${arg_NAME} fuzz target"
    VERBATIM)
  add_custom_target(quillmar-${arg_NAME}-fuzzer ALL DEPENDS ${fuzzer})

  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/fuzz-corpus/${arg_NAME})
  set(artifacts ${CMAKE_CURRENT_BINARY_DIR}/fuzz-artifacts/${arg_NAME})
  file(MAKE_DIRECTORY ${corpus} ${artifacts})
  set(seed_folders "")
  set(seed_files "")
  foreach(seed IN LISTS arg_SEEDS)
    cmake_path(ABSOLUTE_PATH seed BASE_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR} NORMALIZE)
    if(EXISTS ${seed} AND NOT IS_DIRECTORY ${seed})
      list(APPEND seed_files ${seed})
    else()
      list(APPEND seed_folders ${seed})
    endif()
  endforeach()
  if(seed_files)
    set(copied ${work}/seeds)
    file(REMOVE_RECURSE ${copied})
    file(COPY ${seed_files} DESTINATION ${copied})
    list(PREPEND seed_folders ${copied})
  endif()

  add_test(NAME quillmar-${arg_NAME}-fuzz
           COMMAND ${fuzzer} -max_total_time=${QUILLMAR_FUZZ_SECONDS} -timeout=20 -rss_limit_mb=2048
                   -print_final_stats=1 -artifact_prefix=${artifacts}/ ${corpus} ${seed_folders})
  # The run itself is bounded; the margin is for a machine busy with other work.
  math(EXPR limit "${QUILLMAR_FUZZ_SECONDS} + 120")
  set_tests_properties(quillmar-${arg_NAME}-fuzz PROPERTIES LABELS fuzz TIMEOUT ${limit})
  if(arg_FIXTURES)
    set_tests_properties(quillmar-${arg_NAME}-fuzz PROPERTIES FIXTURES_REQUIRED "${arg_FIXTURES}")
  endif()
endfunction()
