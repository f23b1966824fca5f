# The layers of the build, from the ground up, and the targets of each (a name, or a regular
# expression for the targets a function makes). A target links only targets of its own layer or
# below: configuring stops, naming both, at a link that goes up, and at a target of ours that has
# no layer. Includes follow the links (IncludeRoots.cmake), so they keep to the layers too.
set(TERVOLIN_LAYERS ground controls skin libraries program tools bench tests)
set(TERVOLIN_LAYER_ground tervolin_warnings framework core)
# The toolkit, and the resources with their ids and the language modules made of them.
set(TERVOLIN_LAYER_controls toolkit toolkit_pure resource_ids firmware_images "lang_.*")
# How toolkit controls take the artwork's look: shared by the program and the message-box library.
set(TERVOLIN_LAYER_skin skin_style)
set(TERVOLIN_LAYER_libraries RevezoDaRur vcam_model ravozev language_tag multi_language ZARidezi)
set(TERVOLIN_LAYER_program shell ui Tervolin)
set(TERVOLIN_LAYER_tools vcam vcam_device fwimage flashjob walkthrough uidriver cutoff)
set(TERVOLIN_LAYER_bench benchtool bare_dialog skinned_baseline same_order_baseline)
set(TERVOLIN_LAYER_tests native_tests "fuzz_.*" ".*_test" win_test_support test_runtime "lookalike_.*"
    out_of_memory_probe planted_dll broken_message_box "layer_probe_.*")

# The index of TARGET's layer in OUT, or -1 when it has none.
function(tervolin_layer_of target out)
    set(index 0)
    foreach(layer IN LISTS TERVOLIN_LAYERS)
        foreach(pattern IN LISTS TERVOLIN_LAYER_${layer})
            if(target MATCHES "^(${pattern})$")
                set(${out} ${index} PARENT_SCOPE)
                return()
            endif()
        endforeach()
        math(EXPR index "${index} + 1")
    endforeach()
    set(${out} -1 PARENT_SCOPE)
endfunction()

# The targets defined in DIRECTORY and below it, but for those of outside sources built here
# (GoogleTest), into OUT.
function(tervolin_targets_below directory out)
    get_property(targets DIRECTORY "${directory}" PROPERTY BUILDSYSTEM_TARGETS)
    get_property(subdirectories DIRECTORY "${directory}" PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        cmake_path(IS_PREFIX PROJECT_SOURCE_DIR "${subdirectory}" NORMALIZE ours)
        if(ours)
            tervolin_targets_below("${subdirectory}" below)
            list(APPEND targets ${below})
        endif()
    endforeach()
    set(${out} ${targets} PARENT_SCOPE)
endfunction()

# Checks every target of the tree against the table; call it once every target is defined.
function(tervolin_check_layers)
    tervolin_targets_below("${PROJECT_SOURCE_DIR}" targets)
    set(wrong "")
    foreach(target IN LISTS targets)
        tervolin_layer_of(${target} layer)
        if(layer EQUAL -1)
            string(APPEND wrong "\n  ${target} has no layer in cmake/Layers.cmake")
            continue()
        endif()
        get_target_property(links ${target} LINK_LIBRARIES)
        get_target_property(interface ${target} INTERFACE_LINK_LIBRARIES)
        foreach(link IN LISTS links interface)
            # A link made from another folder carries that folder's mark: "::@(...)".
            string(REGEX REPLACE "^::@\\([^)]*\\)" "" link "${link}")
            if(NOT TARGET "${link}")
                continue() # a system library, or a generator expression
            endif()
            tervolin_layer_of(${link} linked)
            if(linked GREATER layer)
                list(GET TERVOLIN_LAYERS ${layer} from)
                list(GET TERVOLIN_LAYERS ${linked} to)
                string(APPEND wrong "\n  ${target} (layer ${from}) links ${link} (layer ${to}), a layer above it")
            endif()
        endforeach()
    endforeach()
    if(wrong)
        message(FATAL_ERROR "The build goes against its layers:${wrong}")
    endif()
endfunction()
