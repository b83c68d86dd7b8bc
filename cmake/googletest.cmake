# GoogleTest from the distribution's source package, compiled with this build's compiler,
# so the cross build gets Windows libraries and the native one sanitizer-compatible ones.
set(CHRONALT_GTEST_SOURCE_DIR "/usr/src/googletest" CACHE PATH "GoogleTest sources")
if(NOT EXISTS "${CHRONALT_GTEST_SOURCE_DIR}/CMakeLists.txt")
  message(FATAL_ERROR "GoogleTest sources not found in ${CHRONALT_GTEST_SOURCE_DIR} "
                      "(Debian package: googletest)")
endif()
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK ON CACHE BOOL "" FORCE)
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
add_subdirectory("${CHRONALT_GTEST_SOURCE_DIR}" "${CMAKE_BINARY_DIR}/googletest" EXCLUDE_FROM_ALL)

# One CTest entry per test executable: under Wine every process start costs a second or so,
# so running each case as its own process would make the suite slow for no gain.
function(chronalt_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBRARIES" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBRARIES} GTest::gmock GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300)
endfunction()
