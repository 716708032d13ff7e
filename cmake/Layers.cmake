# cmake/Layers.cmake: the folders of the project, bottom to top, and the folders each one
# may use. This table is the only statement of the layering: CMakeLists.txt links each
# folder's library to the libraries listed here, and CheckLayers.cmake fails the build when
# a file includes a header of a folder outside them (an upward include of a header that
# needs no code links fine, so the libraries alone would not catch it).
#
# List the folders a folder uses directly; it may also use everything they may use.
# tests/ and bench/ may use anything and are not checked.
#
# analysis, providers and store sit side by side above filters. The scanner asks the
# scanning providers and the DNS provider while it reads a message, so analysis uses
# providers. Mailbox folder delivery needs neither, and the store's provider library is
# loaded together with the scanning providers, so it lives in providers/ and store/
# depends on nothing beside base.
set(MTAFILTER_FOLDERS
    platform common base vbscript filters providers store analysis actions frame tools scanners)

set(MTAFILTER_USES_platform "")
set(MTAFILTER_USES_common platform)
set(MTAFILTER_USES_base common)
set(MTAFILTER_USES_vbscript common)
set(MTAFILTER_USES_filters base vbscript)
set(MTAFILTER_USES_providers filters)
set(MTAFILTER_USES_store base)
set(MTAFILTER_USES_analysis filters providers)
set(MTAFILTER_USES_actions analysis providers store)
set(MTAFILTER_USES_frame actions)
set(MTAFILTER_USES_tools frame)
# The scanner libraries are loaded by the plug-in by name and share only its utilities.
set(MTAFILTER_USES_scanners common)

# Sets `result` to every folder `folder` may use, directly or through the folders it uses.
function(mtafilter_folders_below folder result)
    set(below "")
    set(pending ${MTAFILTER_USES_${folder}})
    while(pending)
        list(POP_FRONT pending next)
        if(NOT next IN_LIST below)
            list(APPEND below ${next})
            list(APPEND pending ${MTAFILTER_USES_${next}})
        endif()
    endwhile()
    set(${result} ${below} PARENT_SCOPE)
endfunction()
