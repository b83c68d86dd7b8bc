# Runs the cross-compiled programs under Wine: a private prefix inside the build tree, made on
# first use, quiet debug output and a fixed time zone so local-time results are reproducible.
if(NOT (WIN32 AND CMAKE_CROSSCOMPILING))
  return()
endif()
set(CHRONALT_TEST_TZ "Asia/Shanghai" CACHE STRING "Time zone the Windows tests run in")
set(CHRONALT_WINEPREFIX "${CMAKE_BINARY_DIR}/wineprefix")
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run @ONLY
               FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                                WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run)
