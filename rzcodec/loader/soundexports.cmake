# Writes the dynamic list by which the program exports the sound layer's
# symbols (every global definition of its archive) to the codec module.
# cmake -DNM=<nm> -DARCHIVE=<archive> -DOUTPUT=<file> -P soundexports.cmake
execute_process(COMMAND ${NM} --defined-only -g --format=posix ${ARCHIVE}
                OUTPUT_VARIABLE listing RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "cannot list the symbols of ${ARCHIVE}")
endif()
string(REPLACE "\n" ";" lines "${listing}")
set(names "")
foreach(line IN LISTS lines)
    # Strong definitions and unique globals; weak ones are inline code every
    # user carries anyway.
    if(line MATCHES "^([^ ]+) [TDBRu] ")
        list(APPEND names "${CMAKE_MATCH_1}")
    endif()
endforeach()
list(REMOVE_DUPLICATES names)
list(SORT names)
set(text "{\n")
foreach(name IN LISTS names)
    string(APPEND text "    ${name};\n")
endforeach()
string(APPEND text "};\n")
file(WRITE ${OUTPUT}.new "${text}")
file(COPY_FILE ${OUTPUT}.new ${OUTPUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUTPUT}.new)
