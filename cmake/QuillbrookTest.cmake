# quillbrook_add_test(NAME name SOURCES ... LIBRARIES ...)
# Adds a QtTest program as a CTest test that runs headless on the offscreen
# platform, with a settings store of its own and a UTF-8 locale.
function(quillbrook_add_test)
    cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBRARIES;ENVIRONMENT" ${ARGN})
    add_executable(${ARG_NAME} ${ARG_SOURCES})
    set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    target_link_libraries(${ARG_NAME} PRIVATE Qt6::Test quillbrook_testsupport ${ARG_LIBRARIES})
    add_test(NAME ${ARG_NAME} COMMAND ${ARG_NAME})
    set(test_home ${CMAKE_BINARY_DIR}/test-home/${ARG_NAME})
    set_tests_properties(${ARG_NAME} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;XDG_CONFIG_HOME=${test_home}/config;QUILLBROOK_TEST_HOME=${test_home};QUILLBROOK_PROGRAM_DIR=${QUILLBROOK_PROGRAM_DIR};${ARG_ENVIRONMENT}"
        TIMEOUT 600)
endfunction()
