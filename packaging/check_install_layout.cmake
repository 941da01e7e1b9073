# Installs the build into a fresh prefix and checks that each file a user's desktop and
# shell look for is where they look.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DEXPECTED="bin/a;share/b" -P check_install_layout.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "cmake --install failed: ${result}")
endif()
foreach(relative IN LISTS EXPECTED)
    if(NOT EXISTS ${PREFIX}/${relative})
        message(FATAL_ERROR "not installed: ${relative}")
    endif()
endforeach()
file(GLOB_RECURSE installed RELATIVE ${PREFIX} ${PREFIX}/*)
list(LENGTH installed count)
message(STATUS "${count} files installed under ${PREFIX}")
