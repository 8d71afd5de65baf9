# End-to-end tests of the built test program, which the driver runs by the absolute path it is built
# with; building the driver builds the program too.
add_executable(condition_end_to_end
    condition/expression_case.cc
    condition/file_test.cc
    condition/locale_test.cc
    condition/privilege_test.cc
    condition/program_run.cc
    condition/scratch_directory.cc
    condition/size_test.cc
    condition/stream_test.cc
    condition/terminal_test.cc)
target_include_directories(condition_end_to_end PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(condition_end_to_end PRIVATE GTest::gtest_main)
target_compile_definitions(condition_end_to_end PRIVATE "PROGRAM_UNDER_TEST=\"$<TARGET_FILE:test_program>\"")
add_dependencies(condition_end_to_end test_program)
if(SANITIZE)
    target_compile_definitions(condition_end_to_end PRIVATE PROGRAM_IS_SANITIZED)
endif()

# The longest case (deep nesting under the sanitizers) takes seconds; the timeout only ends a hang.
gtest_discover_tests(condition_end_to_end TEST_PREFIX condition_end_to_end. DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES LABELS end-to-end TIMEOUT 300 FIXTURES_REQUIRED locales
        ENVIRONMENT LOCPATH=${test_locale_path})

# The program must start with nothing but the C library; the sanitizer runtimes are libraries too.
if(NOT SANITIZE)
    add_test(NAME condition_needs_only_libc
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/condition/check-needed-libraries $<TARGET_FILE:test_program>)
    set_tests_properties(condition_needs_only_libc PROPERTIES LABELS end-to-end)
endif()
