# One INTERFACE target carries the warning flags; every project target links it privately.
add_library(morvane_warnings INTERFACE)
target_compile_options(morvane_warnings INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor
    -Wcast-align -Wunused -Woverloaded-virtual -Wdouble-promotion -Wformat=2)
if(MORVANE_WERROR)
    target_compile_options(morvane_warnings INTERFACE -Werror)
endif()
# GCC 12 at -O3 (the Release type) warns -Wrestrict from inside libstdc++'s std::string, on a
# one-character literal assigned to a string (GCC bug 105329) and on a literal joined to a string
# with operator+ (GCC bug 105651): false positives of the compiler, not faults of the code. Off
# only there; -O2 and -Os builds keep the warning.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_GREATER_EQUAL 12
        AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    target_compile_options(morvane_warnings INTERFACE $<$<CONFIG:Release>:-Wno-restrict>)
endif()

# morvane_core_library(NAME [SOURCES file...] [DEPS ...]): a static library of the calling folder.
# Without SOURCES it takes every .cpp of the folder that no earlier library of the folder took. A
# folder that holds two libraries names the files of the first (the lower one, which headless
# programs may link) in SOURCES and leaves the rest, new files included, to the one after it.
function(morvane_core_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
    get_property(claimed DIRECTORY PROPERTY MORVANE_CLAIMED_SOURCES)
    if(ARG_SOURCES)
        set(sources "")
        foreach(file ${ARG_SOURCES})
            set(path ${CMAKE_CURRENT_SOURCE_DIR}/${file})
            if(NOT EXISTS ${path} OR path IN_LIST claimed)
                message(FATAL_ERROR "${name}: ${file} is not a source of ${CMAKE_CURRENT_SOURCE_DIR} left to take")
            endif()
            list(APPEND sources ${path})
        endforeach()
    else()
        file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
        if(claimed)
            list(REMOVE_ITEM sources ${claimed})
        endif()
    endif()
    set_property(DIRECTORY APPEND PROPERTY MORVANE_CLAIMED_SOURCES ${sources})
    if(NOT sources)
        # A folder whose code is still headers only.
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR})
        target_link_libraries(${name} INTERFACE ${ARG_DEPS})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE morvane_warnings)
endfunction()

# morvane_test(NAME [LONG] DEPS ...): one GoogleTest program of every .cpp in the calling folder.
# Each test is its own CTest test; with MORVANE_TEST_PROGRAMS_WHOLE each program is one, run whole
# (a process for each of some 500 tests costs a quarter of a sanitizer run), LONG ones first.
function(morvane_test name)
    cmake_parse_arguments(ARG "LONG" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT sources)
        return()
    endif()
    add_executable(${name} ${sources})
    target_link_libraries(${name} PRIVATE ${ARG_DEPS} morvane_testutil GTest::gtest_main GTest::gmock morvane_warnings)
    if(MORVANE_TEST_PROGRAMS_WHOLE)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
        if(ARG_LONG)
            set_tests_properties(${name} PROPERTIES COST 1000)
        endif()
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()

# Precompiles the given headers for a target when MORVANE_PCH is on.
function(morvane_precompile target)
    if(MORVANE_PCH)
        target_precompile_headers(${target} PRIVATE ${ARGN})
    endif()
endfunction()
