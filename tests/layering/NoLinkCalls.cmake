# Fails when the objects of one library call into the link: a function the link library defines,
# or any function that takes the link (a protocol command). The include check keeps link headers
# out of the model; this keeps out what a forward declaration lets through to the linker.
#
#   cmake -DNM=<nm> -DLIBRARY=<archive to check> -DLINK=<libkrv_link.a> -P NoLinkCalls.cmake
#
# Prints each such call and fails when there is one.
cmake_minimum_required(VERSION 3.25)

execute_process(COMMAND ${NM} -C --defined-only --extern-only ${LINK}
                OUTPUT_VARIABLE defined RESULT_VARIABLE defined_result)
execute_process(COMMAND ${NM} -C --undefined-only ${LIBRARY}
                OUTPUT_VARIABLE undefined RESULT_VARIABLE undefined_result)
if(NOT defined_result EQUAL 0 OR NOT undefined_result EQUAL 0)
    message(FATAL_ERROR "nm could not read ${LINK} or ${LIBRARY}")
endif()

# Code and data the link itself provides; weak definitions (inline functions, template
# instances) are emitted by every user and say nothing about a call into the link.
string(REGEX MATCHALL "[0-9a-f]+ [TDBR] [^\n]+" strong "${defined}")
set(provided "\n")
foreach(entry IN LISTS strong)
    string(REGEX REPLACE "^[0-9a-f]+ [TDBR] " "" symbol "${entry}")
    string(APPEND provided "${symbol}\n")
endforeach()

string(REGEX MATCHALL " U [^\n]+" needed "${undefined}")
list(REMOVE_DUPLICATES needed)
set(calls 0)
foreach(entry IN LISTS needed)
    string(REGEX REPLACE "^ U " "" symbol "${entry}")
    string(FIND "${provided}" "\n${symbol}\n" at)
    string(FIND "${symbol}" "krv::DeviceLink" takes_link)
    if(NOT at EQUAL -1 OR NOT takes_link EQUAL -1)
        message("${LIBRARY} calls into the link: ${symbol}")
        math(EXPR calls "${calls} + 1")
    endif()
endforeach()
if(calls GREATER 0)
    message(FATAL_ERROR "${calls} call(s) into the link")
endif()
