# Layering checks. Each folder under src/ is one library that links only the
# layers below it; these checks make a link that breaks that rule fail at
# configure time instead of slipping in unnoticed.

# Every target that `target` links, directly or through other targets.
function(savrona_collect_links target out_var)
    set(seen "")
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending current)
        if(NOT TARGET ${current} OR current IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(type ${current} TYPE)
        set(links "")
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct ${current} LINK_LIBRARIES)
            if(direct)
                list(APPEND links ${direct})
            endif()
        endif()
        get_target_property(interface ${current} INTERFACE_LINK_LIBRARIES)
        if(interface)
            list(APPEND links ${interface})
        endif()
        foreach(link IN LISTS links)
            # $<LINK_ONLY:x> and similar wrappers still link x.
            string(REGEX REPLACE "^\\$<[A-Z_]+:(.*)>$" "\\1" link "${link}")
            list(APPEND pending ${link})
        endforeach()
    endwhile()
    set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

# Fails the configuration when `target` links any of the targets after FORBIDS.
function(savrona_forbid_links target)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FORBIDS")
    savrona_collect_links(${target} linked)
    foreach(forbidden IN LISTS arg_FORBIDS)
        if(forbidden IN_LIST linked)
            message(FATAL_ERROR
                "${target} links ${forbidden}, which its layer must not use. "
                "Move the code that needs it to a higher layer (see docs/architecture.md).")
        endif()
    endforeach()
endfunction()
