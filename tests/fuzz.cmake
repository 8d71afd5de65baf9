# Every fuzz target of fuzz/targets replays its seed corpus and the inputs of past findings
# (fuzz/regressions/TARGET), in the plain and in the sanitized build. The fuzzing itself runs through
# `make fuzz`.
if(NOT FUZZ_ENGINE STREQUAL "replay")
    return()
endif()
file(STRINGS ${PROJECT_SOURCE_DIR}/fuzz/targets fuzz_targets)
foreach(target IN LISTS fuzz_targets)
    set(inputs ${PROJECT_SOURCE_DIR}/fuzz/corpus/${target})
    if(EXISTS ${PROJECT_SOURCE_DIR}/fuzz/regressions/${target})
        list(APPEND inputs ${PROJECT_SOURCE_DIR}/fuzz/regressions/${target})
    endif()
    add_test(NAME fuzz_${target}_replay COMMAND ${target}_fuzzer ${inputs})
    set_tests_properties(fuzz_${target}_replay PROPERTIES LABELS fuzz TIMEOUT 120)
endforeach()
