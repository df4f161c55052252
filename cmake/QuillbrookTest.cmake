# Test programs are QtTest executables run by CTest. Each test gets a settings
# store of its own (XDG_CONFIG_HOME), a state folder of its own for the kept
# converter logs (XDG_STATE_HOME), a UTF-8 locale and the build's program
# folder in QUILLBROOK_PROGRAM_DIR.

function(quillbrook_test_environment name platform out_var)
    set(test_home ${CMAKE_BINARY_DIR}/test-home/${name})
    set(${out_var}
        "QT_QPA_PLATFORM=${platform};LANG=C.UTF-8;LC_ALL=C.UTF-8;XDG_CONFIG_HOME=${test_home}/config;XDG_STATE_HOME=${test_home}/state;QUILLBROOK_TEST_HOME=${test_home};QUILLBROOK_PROGRAM_DIR=${QUILLBROOK_PROGRAM_DIR};QUILLBROOK_ARTIFACTS=${CMAKE_BINARY_DIR}/artifacts"
        PARENT_SCOPE)
endfunction()

function(quillbrook_test_executable name sources libraries)
    add_executable(${name} ${sources})
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${name} PRIVATE Qt6::Test quillbrook_testsupport quillbrook_threadsatexit
        ${libraries})
endfunction()

# quillbrook_add_test(NAME name SOURCES ... [LIBRARIES ...] [ENVIRONMENT ...] [SESSION_BUS])
# A headless test on the offscreen platform. With SESSION_BUS it runs under
# dbus-run-session, on a private session bus that ends with it.
function(quillbrook_add_test)
    cmake_parse_arguments(ARG "SESSION_BUS" "NAME" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    quillbrook_test_executable(${ARG_NAME} "${ARG_SOURCES}" "${ARG_LIBRARIES}")
    if(ARG_SESSION_BUS)
        add_test(NAME ${ARG_NAME} COMMAND dbus-run-session -- $<TARGET_FILE:${ARG_NAME}>)
    else()
        add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    endif()
    quillbrook_test_environment(${ARG_NAME} offscreen environment)
    set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT "${environment};${ARG_ENVIRONMENT}"
        TIMEOUT 600)
endfunction()

# quillbrook_add_x11_test(NAME name SOURCES ... [LIBRARIES ...])
# A test that drives the real window on a real X server: xvfb-run starts a
# private Xvfb for it and the xcb platform is used. Screenshots the test takes
# go to the folder in QUILLBROOK_ARTIFACTS (<build>/artifacts).
function(quillbrook_add_x11_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES" ${ARGN})
    quillbrook_test_executable(${ARG_NAME} "${ARG_SOURCES}" "${ARG_LIBRARIES}")
    add_test(NAME ${ARG_NAME}
        COMMAND xvfb-run -a -s "-screen 0 1280x1024x24" $<TARGET_FILE:${ARG_NAME}>)
    quillbrook_test_environment(${ARG_NAME} xcb environment)
    set_tests_properties(${ARG_NAME} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 600)
endfunction()
