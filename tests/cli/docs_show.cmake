# Fails unless every line of SCRIPT that matches REGEX stands, indented as a code block, in the README
# or the user guide: the scripts' tests keep the documents showing the commands as they run.
function(check_documents_show script regex)
    file(STRINGS ${script} commands REGEX "${regex}")
    file(READ ${README} documents)
    file(READ ${GUIDE} guide)
    string(APPEND documents "${guide}")
    foreach(command IN LISTS commands)
        string(FIND "${documents}" "    ${command}\n" at)
        if(at LESS 0)
            message(FATAL_ERROR "neither the README nor the guide shows: ${command}")
        endif()
    endforeach()
endfunction()
