# The Windows VST3 and CLAP. Windows always has the display libraries a window needs, so hosts
# load the plugin build itself: no loader in front of it (loader/ exists for Linux machines
# without display libraries). Included by the plugin's CMakeLists once sorvell_add_build exists.
sorvell_add_build(VST3 "SORVELL_PLUGIN_WITH_PROGRAMS;SORVELL_PLUGIN_WITH_STATE" -bare
                  ${PROJECT_BINARY_DIR}/bin/Sorvell.vst3/Contents/${sorvell_vst3_arch}-win Sorvell)
set_target_properties(Sorvell-vst3-bare PROPERTIES SUFFIX .vst3)
sorvell_add_build(CLAP SORVELL_PLUGIN_WITH_STATE -bare ${PROJECT_BINARY_DIR}/bin Sorvell)
set_target_properties(Sorvell-clap-bare PROPERTIES SUFFIX .clap)
add_custom_target(sorvell_plugins ALL DEPENDS Sorvell-vst3-bare Sorvell-clap-bare)

# Installed as the release lays them out: VST3/Sorvell.vst3 and CLAP/Sorvell.clap.
install(DIRECTORY ${PROJECT_BINARY_DIR}/bin/Sorvell.vst3 DESTINATION VST3 COMPONENT plugins)
install(TARGETS Sorvell-clap-bare LIBRARY DESTINATION CLAP COMPONENT plugins)

sorvell_window_targets()
