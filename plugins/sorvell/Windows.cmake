# The Windows VST3 and CLAP. Windows always has the display libraries a window needs, so hosts
# load the plugin build itself, with its window: no loader in front of it (loader/ exists for
# Linux machines without display libraries). Built without window only when Cairo was not
# found. Included by the plugin's CMakeLists once sorvell_add_build exists.
if(SORVELL_WINDOW_ARGS)
    set(variant -window)
else()
    set(variant -bare)
endif()
sorvell_add_build(VST3 "SORVELL_PLUGIN_WITH_PROGRAMS;SORVELL_PLUGIN_WITH_STATE" ${variant}
                  ${PROJECT_BINARY_DIR}/bin/Sorvell.vst3/Contents/${sorvell_vst3_arch}-win Sorvell)
set_target_properties(Sorvell-vst3${variant} PROPERTIES SUFFIX .vst3)
sorvell_add_build(CLAP SORVELL_PLUGIN_WITH_STATE ${variant} ${PROJECT_BINARY_DIR}/bin Sorvell)
set_target_properties(Sorvell-clap${variant} PROPERTIES SUFFIX .clap)
add_custom_target(sorvell_plugins ALL DEPENDS Sorvell-vst3${variant} Sorvell-clap${variant})
# Every mutex locked once where it is made, so that no lock on the audio thread allocates
# (MutexInitWindows.cpp).
foreach(format vst3 clap)
    target_sources(Sorvell-${format}${variant} PRIVATE MutexInitWindows.cpp)
    target_link_options(Sorvell-${format}${variant} PRIVATE "LINKER:--wrap=pthread_mutex_init")
endforeach()

# Installed as the release lays them out: VST3/Sorvell.vst3 and CLAP/Sorvell.clap.
install(DIRECTORY ${PROJECT_BINARY_DIR}/bin/Sorvell.vst3 DESTINATION VST3 COMPONENT plugins)
install(TARGETS Sorvell-clap${variant} LIBRARY DESTINATION CLAP COMPONENT plugins)

sorvell_window_targets()
