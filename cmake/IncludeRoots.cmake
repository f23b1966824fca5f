# Includes name a folder from the top of the tree ("core/FlashWorker.h"), but no target sees the
# whole tree: each target that owns headers publishes them under an include root of its own in the
# build tree, where "<root>/core/FlashWorker.h" forwards to the source. A target sees only its own
# root and those of the targets it links, so an include that goes against the layers does not build.

# Publishes the headers of FOLDER (from the top of the tree), or only the named HEADERS of it, as
# TARGET's include root with the given visibility (PUBLIC, PRIVATE, INTERFACE). A target that keeps
# some headers to itself gives its private root a name of its own with ROOT.
function(tervolin_include_root target visibility folder)
    cmake_parse_arguments(PARSE_ARGV 3 arg "" "ROOT" "HEADERS")
    if(NOT arg_ROOT)
        set(arg_ROOT ${target})
    endif()
    set(root "${PROJECT_BINARY_DIR}/include/${arg_ROOT}")
    if(arg_HEADERS)
        list(TRANSFORM arg_HEADERS PREPEND "${PROJECT_SOURCE_DIR}/${folder}/" OUTPUT_VARIABLE headers)
    else()
        file(GLOB headers CONFIGURE_DEPENDS "${PROJECT_SOURCE_DIR}/${folder}/*.h")
    endif()
    set(forwarders)
    foreach(header IN LISTS headers)
        get_filename_component(name "${header}" NAME)
        set(forwarder "${root}/${folder}/${name}")
        list(APPEND forwarders "${forwarder}")
        # Rewritten only when it changes, so a new configure rebuilds nothing.
        file(CONFIGURE OUTPUT "${forwarder}" CONTENT "#include \"${header}\"\n")
    endforeach()
    # A header that has gone or moved takes its forwarder with it.
    file(GLOB_RECURSE stale "${root}/*")
    if(forwarders)
        list(REMOVE_ITEM stale ${forwarders})
    endif()
    if(stale)
        file(REMOVE ${stale})
    endif()
    target_include_directories(${target} ${visibility} "${root}")
endfunction()
