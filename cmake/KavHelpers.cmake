# Every test gives up after this many seconds, so a hung test fails instead of stalling the run.
set(KAV_TEST_TIMEOUT 300)
# Sanitized code runs several times slower (the designer soak most of all).
if(KAV_SANITIZE OR KAV_FUZZ)
    set(KAV_TEST_TIMEOUT 1800)
endif()

# Common compile settings for every target of ours.
function(kav_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
    target_compile_definitions(${target} PRIVATE
        QT_NO_CAST_TO_ASCII QT_NO_URL_CAST_FROM_STRING QT_NO_KEYWORDS)
endfunction()

# kav_add_library(NAME SOURCES... [PCH headers...]): a static library of one subsystem.
function(kav_add_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;PCH" ${ARGN})
    add_library(${name} STATIC ${ARG_SOURCES})
    kav_target_defaults(${name})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    if(ARG_PCH)
        target_precompile_headers(${name} PRIVATE ${ARG_PCH})
    endif()
endfunction()

# kav_add_test(NAME SOURCES... LIBS...): one GoogleTest executable registered with CTest.
function(kav_add_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    kav_target_defaults(${name})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock)
    target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
    # The suite's fixtures, found also when the executable is run by hand.
    target_compile_definitions(${name} PRIVATE KAV_TEST_DATA="${CMAKE_CURRENT_SOURCE_DIR}/data")
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <QString> <QList>)
    include(GoogleTest)
    gtest_discover_tests(${name}
        WORKING_DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}
        PROPERTIES ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT ${KAV_TEST_TIMEOUT}
        DISCOVERY_TIMEOUT 60)
endfunction()

# kav_add_command_test(NAME COMMAND... [SKIP_RETURN_CODE N]): a test run as a command (a
# shell script, a benchmark), headless and with the common time limit; N means skipped.
function(kav_add_command_test name)
    cmake_parse_arguments(ARG "" "SKIP_RETURN_CODE" "COMMAND" ${ARGN})
    add_test(NAME ${name} COMMAND ${ARG_COMMAND})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT QT_QPA_PLATFORM=offscreen TIMEOUT ${KAV_TEST_TIMEOUT})
    if(DEFINED ARG_SKIP_RETURN_CODE)
        set_tests_properties(${name} PROPERTIES SKIP_RETURN_CODE ${ARG_SKIP_RETURN_CODE})
    endif()
endfunction()
