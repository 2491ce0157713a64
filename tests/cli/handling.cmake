# The guide's rehearsed handling campaign, run with the built quillard-cli in an empty folder: the step
# steer, the single sine and the sweep of the linear vehicle, the slowly increasing steer runs and the
# fishhook of the rehearsal car, each evaluated with its report. Every run gives its figures (the
# fishhook: and no two-wheel lift); the linear vehicle's match its closed form; the guide shows the
# script's commands as they are.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${CLI_DIR}:$ENV{PATH}" QT_QPA_PLATFORM=offscreen sh ${SCRIPT}
                WORKING_DIRECTORY ${WORK} RESULT_VARIABLE failed ERROR_VARIABLE errors OUTPUT_VARIABLE printed)
if(failed)
    message(FATAL_ERROR "the handling script failed: ${errors}")
endif()
foreach(evaluation step sine sweep understeer fishhook)
    file(READ ${WORK}/${evaluation}.json document)
    string(JSON pass GET "${document}" pass)
    if(NOT pass)
        message(FATAL_ERROR "${evaluation}.json: not every run passes")
    endif()
    file(READ ${WORK}/${evaluation}.pdf head LIMIT 5)
    if(NOT head MATCHES "^%PDF-")
        message(FATAL_ERROR "${evaluation}.pdf is no PDF")
    endif()
endforeach()
# The linear vehicle's yaw rate gain (closed form 0.30552 deg/s per deg) and phase at 1 Hz (-33.43 deg).
file(READ ${WORK}/step.json step)
string(JSON gain GET "${step}" runs 1 figures yaw_rate_gain_deg_s_per_deg)
file(READ ${WORK}/sweep.json sweep)
string(JSON phase GET "${sweep}" runs 0 figures yaw_rate_phase_1hz_deg)
if(gain LESS 0.3025 OR gain GREATER 0.3086 OR phase LESS -35.43 OR phase GREATER -31.43)
    message(FATAL_ERROR "the linear vehicle's figures are off its closed form: gain ${gain}, phase ${phase}")
endif()
file(READ ${WORK}/sweep-bode.png head LIMIT 4 HEX)
if(NOT head STREQUAL "89504e47")
    message(FATAL_ERROR "sweep-bode.png is no PNG")
endif()

include(${CMAKE_CURRENT_LIST_DIR}/docs_show.cmake)
check_documents_show(${SCRIPT} "^quillard-cli ")
