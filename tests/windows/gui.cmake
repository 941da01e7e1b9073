# The Win32 GUI smoke test: gui_smoke drives strandex-pretest.exe through window messages
# against the simulated machine on COM1, under Xvfb, and leaves a screenshot of the main
# window for review in screenshots/ of the build folder: main-window.png at 96 DPI (100 %)
# and main-window-144dpi.png at 144 DPI (150 %), the second in a Wine prefix of its own.
add_executable(gui_smoke
    ${CMAKE_CURRENT_LIST_DIR}/gui_smoke_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/png_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/program_probe_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_capture_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_driver_win32.cpp
    ${CMAKE_CURRENT_LIST_DIR}/window_layout_win32.cpp
    ${test_program_resources}
)
target_link_options(gui_smoke PRIVATE -municode)
target_link_libraries(gui_smoke PRIVATE gdi32 user32 advapi32 psapi)

file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/screenshots)
# The window tests send whole programs at a stored rate that makes line time short.
set(with_fast_line ${CMAKE_CURRENT_LIST_DIR}/with_stored_baud 921600 --)
foreach(run "96|main-window.png|wineprefix" "144|main-window-144dpi.png|wineprefix-144dpi")
    string(REPLACE "|" ";" run "${run}")
    list(GET run 0 dpi)
    list(GET run 1 picture)
    list(GET run 2 prefix)
    set(name WineGuiSmoke)
    if(NOT dpi EQUAL 96)
        set(name WineGuiSmokeAt${dpi}Dpi)
    endif()
    add_test(NAME ${name}
        COMMAND xvfb-run -a
                ${CMAKE_CURRENT_LIST_DIR}/with_dpi ${dpi} -- ${with_fast_line}
                ${CMAKE_CURRENT_LIST_DIR}/with_simulated_com1
                ${STRANDEX_HOST_BUILD_DIR}/sim/cnc-sim --start-xon --rate 0
                --
                ${PROJECT_SOURCE_DIR}/tools/wine-run $<TARGET_FILE:gui_smoke>
                $<TARGET_FILE:strandex-pretest> ${CMAKE_BINARY_DIR}/screenshots/${picture})
    set_tests_properties(${name} PROPERTIES
        RUN_SERIAL TRUE
        TIMEOUT 600
        ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/${prefix}")
endforeach()

# The two boxes a test can end with, and whose window owns each: the over-long line's is
# the main window's, the port's stands alone.
add_test(NAME WineGuiOverLongLine
    COMMAND xvfb-run -a ${with_fast_line}
            ${CMAKE_CURRENT_LIST_DIR}/with_simulated_com1
            ${STRANDEX_HOST_BUILD_DIR}/sim/cnc-sim --rate 0
            --
            ${PROJECT_SOURCE_DIR}/tools/wine-run $<TARGET_FILE:gui_smoke>
            --long-line $<TARGET_FILE:strandex-pretest>)
add_test(NAME WineGuiPortMissing
    COMMAND xvfb-run -a
            ${CMAKE_CURRENT_LIST_DIR}/with_com1_at /dev/strandex-no-such-port
            --
            ${PROJECT_SOURCE_DIR}/tools/wine-run $<TARGET_FILE:gui_smoke>
            --port-missing $<TARGET_FILE:strandex-pretest>)
set_tests_properties(WineGuiOverLongLine WineGuiPortMissing PROPERTIES
    ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix")
