# Every fuzz target replays its seed corpus and the inputs of past findings (fuzz/regressions/TARGET),
# in the plain and in the sanitized build. The fuzzing itself runs through `make fuzz`.
if(FUZZ_ENGINE AND NOT FUZZ_ENGINE STREQUAL "replay")
    return()
endif()
foreach(target test_words quote list_file)
    set(inputs ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target})
    if(EXISTS ${PROJECT_SOURCE_DIR}/fuzz/regressions/${target})
        list(APPEND inputs ${PROJECT_SOURCE_DIR}/fuzz/regressions/${target})
    endif()
    add_test(NAME fuzz_${target}_replay COMMAND ${target}_fuzzer ${inputs})
    set_tests_properties(fuzz_${target}_replay PROPERTIES TIMEOUT 120)
endforeach()
