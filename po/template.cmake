# Extracts the messages of `test` from its sources into a fresh template and either brings
# po/plendra.pot up to date with it (MODE=update) or fails when the two hold different messages
# (MODE=check). Run with: cmake -DMODE=... -DSOURCE_DIR=... -DWORK_DIR=... -DVERSION=... -P template.cmake
cmake_minimum_required(VERSION 3.25)

foreach(variable MODE SOURCE_DIR WORK_DIR VERSION)
    if(NOT DEFINED ${variable})
        message(FATAL_ERROR "template.cmake: ${variable} is not set")
    endif()
endforeach()
set(template ${SOURCE_DIR}/po/plendra.pot)
set(fresh ${WORK_DIR}/plendra.pot)
find_program(XGETTEXT xgettext REQUIRED)
find_program(MSGCMP msgcmp REQUIRED)

# Only `test` speaks through the catalogue; its unit tests hold no messages of their own.
file(GLOB sources RELATIVE ${SOURCE_DIR}
    ${SOURCE_DIR}/condition/*.cc ${SOURCE_DIR}/condition/*.h
    ${SOURCE_DIR}/support/*.cc ${SOURCE_DIR}/support/*.h)
list(FILTER sources EXCLUDE REGEX "_test\\.cc$")
list(SORT sources)

# No source locations: the template then changes only when a message does. The quotation marks
# are looked up through choose_quote_mark, which hands its argument to gettext.
file(MAKE_DIRECTORY ${WORK_DIR})
execute_process(
    COMMAND ${XGETTEXT} --language=C++ --from-code=UTF-8 --keyword=choose_quote_mark --keyword=N_
        --add-comments=TRANSLATORS: --no-location --sort-output --package-name=plendra
        --package-version=${VERSION} "--copyright-holder=The plendra authors"
        --msgid-bugs-address= --force-po -o ${fresh} ${sources}
    WORKING_DIRECTORY ${SOURCE_DIR}
    RESULT_VARIABLE status)
if(NOT status EQUAL 0)
    message(FATAL_ERROR "xgettext failed")
endif()

if(MODE STREQUAL "update")
    # The creation date alone is no reason to rewrite the committed file.
    file(READ ${fresh} fresh_text)
    set(template_text "")
    if(EXISTS ${template})
        file(READ ${template} template_text)
    endif()
    string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"" "" fresh_bare "${fresh_text}")
    string(REGEX REPLACE "\"POT-Creation-Date: [^\"]*\"" "" template_bare "${template_text}")
    if(fresh_bare STREQUAL template_bare)
        message(STATUS "po/plendra.pot is up to date")
    else()
        file(COPY_FILE ${fresh} ${template})
        message(STATUS "po/plendra.pot updated; run the update-po target to merge it into the translations")
    endif()
elseif(MODE STREQUAL "check")
    # msgcmp reports the messages of its second file that the first one lacks.
    execute_process(COMMAND ${MSGCMP} --use-untranslated ${template} ${fresh} RESULT_VARIABLE missing)
    execute_process(COMMAND ${MSGCMP} --use-untranslated ${fresh} ${template} RESULT_VARIABLE stale)
    if(NOT missing EQUAL 0)
        message(FATAL_ERROR "po/plendra.pot lacks messages of the code: build the update-pot target")
    endif()
    if(NOT stale EQUAL 0)
        message(FATAL_ERROR "po/plendra.pot holds messages the code no longer has: build the update-pot target")
    endif()
else()
    message(FATAL_ERROR "template.cmake: MODE must be update or check")
endif()
