# Each layer target sees only its own folder and, through what it links, the
# folders of the layers below it. The folders are shown through a view: a
# directory of links in the build tree named as the include prefixes
# ("platform/", "link/", ...). A header of a higher layer is simply not there,
# so including it fails to compile.
#
#   faxrcp_layer_view(<target> <INTERFACE|PUBLIC> <prefix>=<folder or file> ...)
function(faxrcp_layer_view target scope)
    set(view ${CMAKE_BINARY_DIR}/layer-views/${target})
    file(REMOVE_RECURSE ${view})
    foreach(entry ${ARGN})
        string(FIND "${entry}" "=" eq)
        string(SUBSTRING "${entry}" 0 ${eq} prefix)
        math(EXPR from "${eq} + 1")
        string(SUBSTRING "${entry}" ${from} -1 source)
        get_filename_component(parent ${view}/${prefix} DIRECTORY)
        file(MAKE_DIRECTORY ${parent})
        file(CREATE_LINK ${source} ${view}/${prefix} SYMBOLIC)
    endforeach()
    target_include_directories(${target} ${scope} ${view})
endfunction()
