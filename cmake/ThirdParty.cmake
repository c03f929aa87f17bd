# RapidJSON headers from rapidjson-dev. Adding /usr/include to a cross build
# would pull in Linux headers, so a build-tree folder holds only a link to the
# rapidjson folder and is exposed as a SYSTEM include.
set(RAPIDJSON_LINK_DIR "${CMAKE_BINARY_DIR}/third_party/rapidjson-include")
if(NOT EXISTS "/usr/include/rapidjson/document.h")
  message(FATAL_ERROR "RapidJSON headers are missing: run scripts/install-deps.sh")
endif()
file(MAKE_DIRECTORY "${RAPIDJSON_LINK_DIR}")
if(NOT EXISTS "${RAPIDJSON_LINK_DIR}/rapidjson")
  file(CREATE_LINK /usr/include/rapidjson "${RAPIDJSON_LINK_DIR}/rapidjson" SYMBOLIC)
endif()
add_library(rapidjson INTERFACE)
target_include_directories(rapidjson SYSTEM INTERFACE "${RAPIDJSON_LINK_DIR}")

# GoogleTest and GoogleMock from the googletest package's sources, built with
# the cross compiler.
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL SYSTEM)
include(GoogleTest)
