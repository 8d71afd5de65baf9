# The Debian package of lurvek: built from the source tree, its build log checked, checked by
# lintian, and taken from installation to purge in the sandbox, with the real dpkg and pacman
# (label "package"); then judged by Debian's own gates, autopkgtest and piuparts, on a minimal
# bookworm made once in the build tree (label "distribution"). The package does not depend on how
# this tree is built, so only the plain build registers these tests.
if(SANITIZE OR (FUZZ_ENGINE AND NOT FUZZ_ENGINE STREQUAL "replay"))
    return()
endif()
execute_process(COMMAND dpkg --print-architecture
    OUTPUT_VARIABLE package_architecture OUTPUT_STRIP_TRAILING_WHITESPACE)
set(package_dir ${CMAKE_CURRENT_BINARY_DIR}/package)
set(package_deb ${package_dir}/lurvek_${PROJECT_VERSION}_${package_architecture}.deb)

add_test(NAME package_build COMMAND ${PROJECT_SOURCE_DIR}/scripts/build-deb ${package_dir})
# The build under Debian's hardening flags: no compiler warning, and none of the flags missing from
# a compile or link line (blhc; --debian, since the compiler makes position-independent code).
add_test(NAME package_build_log COMMAND sh -c "! grep -i warning \"$1\" && blhc --all --debian \"$1\""
    build-log ${package_dir}/build.log)
# Errors and warnings fail the test; the informational tags only show in its output.
add_test(NAME package_lintian COMMAND lintian --fail-on error,warning --display-info ${package_deb})
add_test(NAME package_life_cycle
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/sandbox --packages
        ${CMAKE_CURRENT_SOURCE_DIR}/package/life-cycle.sh ${package_deb})
set_tests_properties(package_build PROPERTIES FIXTURES_SETUP package_deb TIMEOUT 1800)
set_tests_properties(package_build_log package_lintian package_life_cycle
    PROPERTIES FIXTURES_REQUIRED package_deb)
set_tests_properties(package_life_cycle PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 600)
set_tests_properties(package_build package_build_log package_lintian package_life_cycle
    PROPERTIES LABELS package)

foreach(gate autopkgtest piuparts)
    add_test(NAME distribution_${gate}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/distribution-gate ${gate} ${package_deb}
            ${CMAKE_BINARY_DIR}/distribution)
    set_tests_properties(distribution_${gate} PROPERTIES FIXTURES_REQUIRED package_deb
        SKIP_RETURN_CODE 77 TIMEOUT 1200 LABELS distribution)
endforeach()
