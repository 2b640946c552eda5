# The Debian packages (cpack -G DEB in the build folder), in the layout `cmake --install` gives
# under /usr, one per install component:
# - sorvell: the renderer, its module, the host library, the reference page and the man page;
# - sorvell-plugins: LV2, VST3, CLAP and the JACK app, running without any display library;
# - sorvell-plugins-window: the plugin windows and the JACK app's build with window (Cairo, X11).
# Library dependencies are found by dpkg-shlibdeps, package by package; the JACK app opens
# libjack only when it runs, so its packages recommend it. Each package's own description gives
# its summary (the first line), and no package has maintainer scripts (see
# DebianWithoutScripts.cmake).
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "sorvell")
set(CPACK_PACKAGE_VENDOR "Brindle")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION
    "A spectral processor which uses spectral resonances and pitched overtones to add tonal character to any audio source.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Brindle <sorvell@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The private libraries in /usr/lib/sorvell are part of the package itself.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS "${CMAKE_BINARY_DIR}/host")

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL renderer plugins window)
set(CPACK_DEBIAN_RENDERER_PACKAGE_NAME "sorvell")
set(CPACK_DEBIAN_PLUGINS_PACKAGE_NAME "sorvell-plugins")
set(CPACK_DEBIAN_WINDOW_PACKAGE_NAME "sorvell-plugins-window")
set(CPACK_COMPONENT_RENDERER_DESCRIPTION
    "spectral resonance effect: renderer and Tessel external\n ${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_COMPONENT_PLUGINS_DESCRIPTION
    "spectral resonance effect: LV2, VST3 and CLAP plugins and JACK app\n ${CPACK_PACKAGE_DESCRIPTION}\n The plugins and the JACK app run without any display library; their windows are in sorvell-plugins-window.")
set(CPACK_COMPONENT_WINDOW_DESCRIPTION
    "spectral resonance effect: plugin windows and JACK app\n ${CPACK_PACKAGE_DESCRIPTION}")
set(sorvell_jack_library "libjack-jackd2-0 | libjack0")
set(CPACK_DEBIAN_PLUGINS_PACKAGE_RECOMMENDS "sorvell-plugins-window, ${sorvell_jack_library}")
set(CPACK_DEBIAN_WINDOW_PACKAGE_RECOMMENDS "${sorvell_jack_library}")
set(CPACK_DEBIAN_WINDOW_PACKAGE_DEPENDS "sorvell-plugins (= ${PROJECT_VERSION})")
set(CPACK_POST_BUILD_SCRIPTS "${CMAKE_CURRENT_LIST_DIR}/DebianWithoutScripts.cmake")
include(CPack)
