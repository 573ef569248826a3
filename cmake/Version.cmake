# The program's version, from the project and, in a git checkout, the commit it was built from:
# every program prints it with --version and every result file's record carries it.
set(MORVANE_VERSION_TEXT "${PROJECT_VERSION}")
find_package(Git QUIET)
if(GIT_FOUND AND EXISTS "${PROJECT_SOURCE_DIR}/.git")
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" rev-parse --short=10 HEAD
        OUTPUT_VARIABLE MORVANE_GIT_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET RESULT_VARIABLE git_result)
    if(git_result EQUAL 0 AND MORVANE_GIT_COMMIT)
        set(MORVANE_VERSION_TEXT "${PROJECT_VERSION} (${MORVANE_GIT_COMMIT})")
    endif()
    # A new commit reconfigures, so the version never names an older commit than the build's.
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" rev-parse --git-path HEAD
        OUTPUT_VARIABLE head_file OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" symbolic-ref -q HEAD
        OUTPUT_VARIABLE head_ref OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    foreach(file "${head_file}" "${head_ref}")
        if(file)
            execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${PROJECT_SOURCE_DIR}" rev-parse --git-path "${file}"
                OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
            if(path AND NOT IS_ABSOLUTE "${path}")
                set(path "${PROJECT_SOURCE_DIR}/${path}")
            endif()
            if(path AND EXISTS "${path}")
                set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${path}")
            endif()
        endif()
    endforeach()
endif()
configure_file("${PROJECT_SOURCE_DIR}/cmake/MorvaneVersion.h.in" "${PROJECT_BINARY_DIR}/generated/MorvaneVersion.h" @ONLY)
add_library(morvane_version INTERFACE)
target_include_directories(morvane_version INTERFACE "${PROJECT_BINARY_DIR}/generated")
