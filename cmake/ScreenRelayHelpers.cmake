# Compile settings shared by every target of our own code.
function(screenrelay_target_defaults target)
  # Paths in the objects are relative to the source tree, so that a build in
  # another folder gives the same bytes.
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror "-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.")
  target_compile_definitions(${target} PRIVATE
    UNICODE _UNICODE NOMINMAX WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0A00 WINVER=0x0A00)
endfunction()

# A subsystem of the product: a static library linked into ScreenRelay.dll.
# Include paths are relative to src/, e.g. #include "json/JSONParser.h".
function(screenrelay_add_library target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_library(${target} STATIC ${ARG_SOURCES})
  screenrelay_target_defaults(${target})
  target_include_directories(${target} PUBLIC "${PROJECT_SOURCE_DIR}/src")
  if(ARG_DEPENDS)
    target_link_libraries(${target} PUBLIC ${ARG_DEPENDS})
  endif()
endfunction()

# A GoogleTest program; each test case runs in a fresh process under Wine.
# The time-out is generous: under Wine a process that has called
# WinVerifyTrust on an unsigned file finishes its test at once but exits only
# after other Wine processes have stopped starting for about a second, so with
# ctest -j2 such a test can last as long as the rest of the run.
function(screenrelay_add_test target)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  add_executable(${target} ${ARG_SOURCES})
  screenrelay_target_defaults(${target})
  target_link_libraries(${target} PRIVATE ${ARG_DEPENDS} screenrelay_testsupport GTest::gmock_main)
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 120
    WORKING_DIRECTORY "${CMAKE_CURRENT_BINARY_DIR}"
    PROPERTIES TIMEOUT 300)
endfunction()

# A binary that ships: stripped, because every trust check hashes the whole file
# and the module is loaded for each request; its debug information goes to a
# file beside it, found through the debug link. Built without a time stamp and
# with the tools' own dates pinned, so the same commit gives the same bytes.
function(screenrelay_ship_stripped target)
  target_link_options(${target} PRIVATE -Wl,--no-insert-timestamp)
  set(pinned "${CMAKE_COMMAND}" -E env SOURCE_DATE_EPOCH=0)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${pinned} "${CMAKE_OBJCOPY}" --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${pinned} "${CMAKE_STRIP}" --strip-all $<TARGET_FILE:${target}>
    COMMAND ${pinned} "${CMAKE_OBJCOPY}" --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug $<TARGET_FILE:${target}>
    WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
