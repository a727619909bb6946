# Checks that every source file includes only what its layer may use:
#
#   app → panel → dialogs → firmware → files → flows → model → protocol → link → platform
#
# where the model does no I/O: it uses the protocol's frames and ranges, never the link (its
# frames go to a FrameSink that the flows bind to the link). Input (the dialogs' checks) is over
# model; remote (krvctl serve) over flows and input; diagnosis over protocol → link → platform,
# below cli, dialogs, panel and app; sim a leaf over model and protocol, cli a leaf over the core.
# The core (platform, link, protocol, model, flows, files, input, firmware, remote, diagnosis) and
# the leaves never include a Qt header. A library linking only the layer below does not stop an
# upward include of a header, so this check does.
#
#   cmake -DKRV_ROOT=<source folder> -P CheckLayers.cmake
#
# Prints every offending include as "file:line: reason" and fails when there is one.

cmake_minimum_required(VERSION 3.25)

if(NOT KRV_ROOT)
    message(FATAL_ERROR "CheckLayers.cmake: set KRV_ROOT to the source folder")
endif()

# What each folder may include besides itself, lowest layer first. A folder that does not exist
# yet is simply not checked.
set(core_folders platform link protocol model flows files input firmware remote)
set(may_use_platform)
set(may_use_link platform)
set(may_use_protocol link platform)
set(may_use_model protocol platform)
set(may_use_flows model protocol link platform)
set(may_use_files flows model protocol link platform)
set(may_use_input model protocol link platform)
set(may_use_firmware files flows model protocol link platform)
set(may_use_diagnosis protocol link platform)
set(may_use_remote flows input model protocol link platform)
set(may_use_sim model protocol link platform)
set(may_use_cli sim diagnosis ${core_folders})
set(may_use_fuzz cli sim diagnosis ${core_folders})
set(may_use_dialogs diagnosis ${core_folders})
set(may_use_panel dialogs diagnosis ${core_folders})
set(may_use_app panel dialogs sim diagnosis ${core_folders})
# Only these may include Qt; and krvctl's reader of the catalogue, Qt Core's QTranslator, which
# the program alone links (the krvcli library stays Qt-free).
set(qt_folders dialogs panel app)
set(qt_core_files cli/Catalogue.cpp)
set(checked_folders ${core_folders} diagnosis sim cli fuzz dialogs panel app)
# Every top-level folder an include may name; includes of anything else (system and library
# headers, files beside the including one) are not the layers' business.
set(project_folders ${checked_folders} tests bench)

set(violations 0)
foreach(folder IN LISTS checked_folders)
    if(NOT IS_DIRECTORY "${KRV_ROOT}/${folder}")
        continue()
    endif()
    set(allowed ${folder} ${may_use_${folder}})
    list(FIND qt_folders ${folder} qt_index)
    file(GLOB_RECURSE sources RELATIVE "${KRV_ROOT}"
         "${KRV_ROOT}/${folder}/*.h" "${KRV_ROOT}/${folder}/*.hpp" "${KRV_ROOT}/${folder}/*.cpp"
         "${KRV_ROOT}/${folder}/*.cc" "${KRV_ROOT}/${folder}/*.in")
    list(SORT sources)
    foreach(source IN LISTS sources)
        file(STRINGS "${KRV_ROOT}/${source}" lines)
        set(number 0)
        foreach(line IN LISTS lines)
            math(EXPR number "${number} + 1")
            if(NOT line MATCHES "^[ \t]*#[ \t]*include[ \t]*([<\"][^>\"]*[>\"])")
                continue()
            endif()
            set(target "${CMAKE_MATCH_1}")
            # A project header counts by its first folder, in quotes or in angle brackets alike.
            set(named "")
            if(target MATCHES "^[<\"]([A-Za-z0-9_]+)/")
                set(named "${CMAKE_MATCH_1}")
            endif()
            if(named IN_LIST project_folders)
                if(NOT named IN_LIST allowed)
                    message("${source}:${number}: ${folder}/ may not include ${target}: "
                            "${named}/ is not among the layers it may use")
                    math(EXPR violations "${violations} + 1")
                endif()
            elseif(qt_index EQUAL -1 AND NOT source IN_LIST qt_core_files AND target MATCHES "^<(Q[A-Za-z0-9_]*[>/]|q[a-z0-9_]*\\.h>)")
                message("${source}:${number}: ${folder}/ may not include the Qt header ${target}")
                math(EXPR violations "${violations} + 1")
            endif()
        endforeach()
    endforeach()
endforeach()

if(violations GREATER 0)
    message(FATAL_ERROR "${violations} include(s) against the layering")
endif()
