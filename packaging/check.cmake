# The package's files as Debian's tools see them: the metainfo and the desktop entry validate, the
# manual pages name every command, the bash completion completes a command, an option and a template.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(failed)
        message(FATAL_ERROR "${ARGN}: ${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

find_program(APPSTREAMCLI appstreamcli)
if(APPSTREAMCLI)
    run(${APPSTREAMCLI} validate --no-net ${OUT}/org.quillard.quillard.metainfo.xml)
endif()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
if(DESKTOP_FILE_VALIDATE)
    run(${DESKTOP_FILE_VALIDATE} ${SOURCE}/quillard.desktop)
endif()

if(HELP2MAN)
    run(gzip -dc ${OUT}/quillard-cli.1.gz)
    foreach(command check steps build export import plot compare diff template put verify)
        if(NOT output MATCHES "\n${command} ")
            message(FATAL_ERROR "quillard-cli.1 does not describe ${command}")
        endif()
    endforeach()
    run(gzip -dc ${OUT}/quillard.1.gz)
    if(NOT output MATCHES "SET.rom")
        message(FATAL_ERROR "quillard.1 has no usage")
    endif()
endif()

file(WRITE ${OUT}/completion-check.sh "source ${OUT}/quillard-cli
complete_words() { COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1)); _quillard_cli; echo \"\${COMPREPLY[*]}\"; }
complete_words quillard-cli ver
complete_words quillard-cli put s.rom --template j-t
complete_words quillard-cli put s.rom --template j-turn --ho
")
run(bash ${OUT}/completion-check.sh)
if(NOT output STREQUAL "verify\nj-turn\n--hold\n")
    message(FATAL_ERROR "the bash completion gave:\n${output}")
endif()
