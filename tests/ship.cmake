# Shipping: the message template and translations, the catalogues at work, the manual pages, the
# completions for bash, zsh and fish, and the installed tree. Scripts live in tests/ship/.
set(ship_scripts ${CMAKE_CURRENT_SOURCE_DIR}/ship)
set(ship_sandbox ${PROJECT_SOURCE_DIR}/scripts/sandbox)

add_test(NAME ship_template
    COMMAND ${CMAKE_COMMAND} -DMODE=check -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
        -DWORK_DIR=${CMAKE_CURRENT_BINARY_DIR}/ship_template -DVERSION=${PROJECT_VERSION}
        -P ${PROJECT_SOURCE_DIR}/po/template.cmake)

# msgcmp fails when a message of the template is missing, untranslated or fuzzy in the catalogue.
file(STRINGS ${PROJECT_SOURCE_DIR}/po/LINGUAS ship_languages REGEX "^[a-zA-Z_@]+$")
foreach(language IN LISTS ship_languages)
    add_test(NAME ship_translation_${language}
        COMMAND msgcmp ${PROJECT_SOURCE_DIR}/po/${language}.po ${PROJECT_SOURCE_DIR}/po/plendra.pot)
    set_tests_properties(ship_translation_${language} PROPERTIES LABELS ship)
endforeach()

add_test(NAME ship_catalogues
    COMMAND ${ship_sandbox} ${ship_scripts}/catalogues $<TARGET_FILE:test_program> ${CMAKE_BINARY_DIR})
add_test(NAME ship_completion
    COMMAND ${ship_sandbox} ${ship_scripts}/completion ${PROJECT_SOURCE_DIR}/completion)
set_tests_properties(ship_catalogues ship_completion PROPERTIES SKIP_RETURN_CODE 77)
set_tests_properties(ship_catalogues PROPERTIES FIXTURES_REQUIRED locales
    ENVIRONMENT LOCPATH=${test_locale_path})

add_test(NAME ship_manual_pages COMMAND ${ship_scripts}/manual-pages ${PROJECT_SOURCE_DIR})
add_test(NAME ship_install COMMAND ${ship_scripts}/install ${CMAKE_BINARY_DIR})
set_tests_properties(ship_template ship_catalogues ship_completion ship_manual_pages ship_install
    PROPERTIES LABELS ship)
