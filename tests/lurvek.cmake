# End-to-end tests of the built lurvek at its real paths. Each script runs inside scripts/sandbox,
# which gives it a private /etc and pacman database and exits 77 (skipped) where no mount
# namespace can be made.
foreach(suite commands storage injected pacman compare)
    add_test(NAME lurvek_end_to_end_${suite}
        COMMAND ${PROJECT_SOURCE_DIR}/scripts/sandbox
            ${CMAKE_CURRENT_SOURCE_DIR}/lurvek/${suite}.sh $<TARGET_FILE:lurvek>)
    set_tests_properties(lurvek_end_to_end_${suite} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
        LABELS end-to-end)
endforeach()
