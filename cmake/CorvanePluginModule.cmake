# corvane_plugin_module(<target> SOURCE <file> MAP <version-script> LIBRARIES <libs...>
#                       OUTPUT_NAME <name> DIRECTORY <dir> [SUFFIX <suffix>])
# A plug-in library as hosts load it: only the symbols its version script names are exported,
# static libraries linked into it stay hidden, and nothing may stay undefined (a host would fail
# to load it late and unclearly). Every format's module is built this way.
function(corvane_plugin_module target)
    cmake_parse_arguments(PARSE_ARGV 1 M "" "SOURCE;MAP;OUTPUT_NAME;DIRECTORY;SUFFIX" "LIBRARIES")
    add_library(${target} MODULE ${M_SOURCE})
    target_link_libraries(${target} PRIVATE ${M_LIBRARIES})
    set_target_properties(${target} PROPERTIES
        OUTPUT_NAME ${M_OUTPUT_NAME}
        PREFIX ""
        LIBRARY_OUTPUT_DIRECTORY ${M_DIRECTORY}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON
        LINK_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${M_MAP})
    if(M_SUFFIX)
        set_target_properties(${target} PROPERTIES SUFFIX ${M_SUFFIX})
    endif()
    target_link_options(${target} PRIVATE
        -Wl,--exclude-libs,ALL
        -Wl,--no-undefined
        -Wl,--version-script=${CMAKE_CURRENT_SOURCE_DIR}/${M_MAP})
endfunction()
