# Makes one generated file of the package: MODE completion (the bash completion that PROGRAM prints)
# or MODE man (the manual page of PROGRAM by help2man with the sections of INCLUDE, compressed).
if(MODE STREQUAL "completion")
    execute_process(COMMAND ${PROGRAM} --bash-completion OUTPUT_FILE ${OUT} RESULT_VARIABLE failed)
elseif(MODE STREQUAL "man")
    # The window answers --help and --version without a display, and is made to here.
    unset(ENV{DISPLAY})
    unset(ENV{WAYLAND_DISPLAY})
    unset(ENV{QT_QPA_PLATFORM})
    execute_process(COMMAND ${HELP2MAN} --no-info --include=${INCLUDE} --output=${OUT} ${PROGRAM}
                    RESULT_VARIABLE failed)
    if(NOT failed)
        execute_process(COMMAND gzip -9nf ${OUT} RESULT_VARIABLE failed)
    endif()
endif()
if(failed)
    message(FATAL_ERROR "cannot make ${OUT}: ${failed}")
endif()
