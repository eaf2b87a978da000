# vorn_add_test(<name> LABEL <unit|integration|gui> SOURCES ... [LIBS ...])
# Test programs live outside the program folder so it holds only what users run. In the
# sanitizer build they see VORN_SANITIZED: memory figures there are the sanitizers', not ours.
function(vorn_add_test name)
    cmake_parse_arguments(T "" "LABEL" "SOURCES;LIBS" ${ARGN})
    if(NOT T_LABEL)
        set(T_LABEL unit)
    endif()
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        VORN_BIN_DIR="${VORN_BIN_DIR}"
        VORN_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data"
        $<$<BOOL:${VORN_SANITIZE}>:VORN_SANITIZED>)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    gtest_discover_tests(${name}
        PROPERTIES LABELS ${T_LABEL}
        DISCOVERY_TIMEOUT 60)
endfunction()

# vorn_add_gui_test(<name> SOURCES ... [LIBS ...]): a test program with its own main that needs
# a display; the test command starts a private Xvfb for it.
function(vorn_add_gui_test name)
    cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE vorn_gui_test_main GTest::gtest GTest::gmock ${T_LIBS})
    target_compile_definitions(${name} PRIVATE
        VORN_BIN_DIR="${VORN_BIN_DIR}"
        VORN_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        VORN_TEST_DATA_DIR="${CMAKE_CURRENT_SOURCE_DIR}/data")
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests
                                             AUTOMOC ON)
    add_test(NAME ${name}
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES LABELS gui TIMEOUT 300)
endfunction()
