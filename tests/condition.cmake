# End-to-end tests of the built test program: each suite of the driver runs as a test of its own, so
# that a suite that cannot run here (no root for the ownership tests) is reported as skipped.
file(GLOB condition_end_to_end_sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/condition/*.cc)
add_executable(condition_end_to_end ${condition_end_to_end_sources})
target_include_directories(condition_end_to_end PRIVATE ${PROJECT_SOURCE_DIR})
target_link_libraries(condition_end_to_end PRIVATE GTest::gtest)
# The driver runs the program, so building the driver must build the program too.
add_dependencies(condition_end_to_end test_program)
if(SANITIZE)
    target_compile_definitions(condition_end_to_end PRIVATE PROGRAM_IS_SANITIZED)
endif()

set(condition_suites grammar integers files privileges terminal streams program_name memory locales size
    effective_user)
foreach(suite IN LISTS condition_suites)
    add_test(NAME condition_end_to_end_${suite}
        COMMAND condition_end_to_end --gtest_filter=${suite}.* $<TARGET_FILE:test_program>)
    set_tests_properties(condition_end_to_end_${suite} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endforeach()
# Deep nesting and huge arguments take long under the sanitizers; nothing here asserts on time.
set_tests_properties(condition_end_to_end_size PROPERTIES TIMEOUT 3600)
# localedef spends seconds of processor time on the GB18030 character map, minutes on a busy machine.
set_tests_properties(condition_end_to_end_locales PROPERTIES TIMEOUT 1800)

# The program must start with nothing but the C library; the sanitizer runtimes are libraries too.
if(NOT SANITIZE)
    add_test(NAME condition_needs_only_libc
        COMMAND sh ${CMAKE_CURRENT_SOURCE_DIR}/condition/check-needed-libraries $<TARGET_FILE:test_program>)
endif()
