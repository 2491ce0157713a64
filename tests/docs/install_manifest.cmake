# What an install of the build delivers beside the programs, as the .deb carries it (cpack installs the
# same rules): the user guide with every picture it shows and the Debian copyright file under
# share/doc/quillard, the example set and the scripts of the guide under share/quillard/examples, and
# those scripts running with the installed quillard-cli alone, as after dpkg -i.
file(REMOVE_RECURSE ${WORK})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/usr --strip
                RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
    message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
set(usr ${WORK}/usr)
foreach(file bin/quillard bin/quillard-cli share/doc/quillard/guide.md share/doc/quillard/copyright
             share/quillard/examples/manoeuvres.rom share/quillard/examples/campaign.sh
             share/quillard/examples/rehearsal.sh)
    if(NOT EXISTS ${usr}/${file})
        message(FATAL_ERROR "the install lacks ${file}")
    endif()
endforeach()
# Every example script the guide names, installed as a program.
file(READ ${usr}/share/doc/quillard/guide.md guide)
string(REGEX MATCHALL "examples/[a-z0-9-]+\\.sh" scripts "${guide}")
list(REMOVE_DUPLICATES scripts)
foreach(script IN LISTS scripts)
    string(REPLACE "examples/" "" script "${script}")
    execute_process(COMMAND test -x ${usr}/share/quillard/examples/${script} RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "the guide's examples/${script} is not installed as a program")
    endif()
endforeach()

# The guide where it is installed: its contents and every picture and link it has.
execute_process(COMMAND ${PYTHON} ${CHECK_DOCS} --toc ${usr}/share/doc/quillard/guide.md ${usr}/share/doc/quillard/guide.md
                RESULT_VARIABLE failed OUTPUT_VARIABLE output)
if(failed)
    message(FATAL_ERROR "the installed guide: ${output}")
endif()

# A machine-readable copyright file: the format's first line, a stanza for every file, and a licence text
# under every licence it names.
file(READ ${usr}/share/doc/quillard/copyright copyright)
if(NOT copyright MATCHES "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"
   OR NOT copyright MATCHES "\n\nFiles: \\*\nCopyright: [^\n]+\nLicense: [^\n]+\n ")
    message(FATAL_ERROR "the copyright file is not in the machine-readable format:\n${copyright}")
endif()
string(REGEX MATCHALL "\nLicense: [^\n]+\n?[^\n]?" licences "${copyright}")
foreach(licence IN LISTS licences)
    if(NOT licence MATCHES "\n $")
        message(FATAL_ERROR "a licence without its text in the copyright file: ${licence}")
    endif()
endforeach()

# The campaign script from the installed examples, in an empty folder, with nothing but the installed
# quillard-cli and the system's tools on the PATH.
set(path "${usr}/bin:/usr/bin:/bin")
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${path}" sh -c "command -v quillard-cli" OUTPUT_VARIABLE cli
                OUTPUT_STRIP_TRAILING_WHITESPACE)
if(NOT cli STREQUAL "${usr}/bin/quillard-cli")
    message(FATAL_ERROR "the PATH of the installed scripts finds ${cli}, not the installed quillard-cli")
endif()
file(MAKE_DIRECTORY ${WORK}/day12)
execute_process(COMMAND ${CMAKE_COMMAND} -E env "PATH=${path}" ${usr}/share/quillard/examples/campaign.sh
                WORKING_DIRECTORY ${WORK}/day12 RESULT_VARIABLE failed OUTPUT_QUIET ERROR_VARIABLE errors)
if(failed)
    message(FATAL_ERROR "the installed campaign script failed: ${errors}")
endif()
foreach(set campaign-1 campaign-2)
    file(READ ${WORK}/day12/${set}.json document)
    string(JSON built GET "${document}" built)
    if(NOT built)
        message(FATAL_ERROR "the installed campaign script did not build ${set}")
    endif()
endforeach()
