# Sorvell's window (Cairo on X11). The parts without drawing (comb model, axis, spectrum,
# value texts) are a plain library that is always built and tested; the window itself joins the
# plugin only when Cairo and X11 are there. Included by the plugin's CMakeLists before
# dpf_add_plugin (SORVELL_WINDOW_ARGS goes into that call); sorvell_window_targets() after
# every format target exists.
add_library(sorvell_analysis STATIC ${CMAKE_CURRENT_LIST_DIR}/../AnalysisFeed.cpp)
target_include_directories(sorvell_analysis PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(sorvell_analysis PUBLIC quendra_dsp)

add_library(sorvell_ui_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CombModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrequencyAxis.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParameterScale.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SpectrumAnalyser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ValueText.cpp)
target_include_directories(sorvell_ui_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sorvell_ui_core PUBLIC sorvell_processor)

option(SORVELL_BUILD_WINDOW "Build the plugin window (needs Cairo and X11)" ON)
set(SORVELL_WINDOW_ARGS)
if(SORVELL_BUILD_WINDOW)
    pkg_check_modules(SORVELL_WINDOW_DEPS cairo x11)
    if(SORVELL_WINDOW_DEPS_FOUND)
        set(SORVELL_WINDOW_ARGS UI_TYPE cairo FILES_UI ${CMAKE_CURRENT_LIST_DIR}/SorvellUI.cpp)
    else()
        message(STATUS "plugins: no Cairo/X11 development files; the plugin has no window")
    endif()
endif()

function(sorvell_window_targets)
    target_link_libraries(Sorvell-dsp PUBLIC sorvell_analysis)
    set(clap_dsp Sorvell-dsp)
    if(TARGET Sorvell-dsp-clap)
        set(clap_dsp Sorvell-dsp-clap)
        target_link_libraries(Sorvell-dsp-clap PUBLIC sorvell_analysis)
    endif()
    if(NOT SORVELL_WINDOW_ARGS)
        return()
    endif()
    target_compile_definitions(Sorvell PUBLIC SORVELL_WITH_UI)
    target_link_libraries(Sorvell-ui PUBLIC sorvell_ui_core sorvell_analysis)
    target_include_directories(Sorvell-ui PUBLIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR})

    # The CLAP module is built by hand, so it takes the window's main too, and a window built
    # with the same settings as its plugin class (the framework's window class changes with
    # them).
    set(clap_ui Sorvell-ui)
    if(NOT clap_dsp STREQUAL "Sorvell-dsp")
        set(clap_ui Sorvell-ui-clap)
        add_library(Sorvell-ui-clap STATIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SorvellUI.cpp)
        get_target_property(clap_definitions ${clap_dsp} INTERFACE_COMPILE_DEFINITIONS)
        target_compile_definitions(Sorvell-ui-clap PUBLIC ${clap_definitions})
        target_link_libraries(Sorvell-ui-clap PUBLIC Sorvell dgl-cairo sorvell_ui_core
                                                     sorvell_analysis dl)
        target_include_directories(Sorvell-ui-clap PUBLIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
        set_target_properties(Sorvell-ui-clap PROPERTIES
            CXX_VISIBILITY_PRESET hidden
            VISIBILITY_INLINES_HIDDEN ON)
    endif()
    target_sources(Sorvell-clap PRIVATE ${SORVELL_DPF_DIR}/distrho/DistrhoUIMain.cpp)
    target_link_libraries(Sorvell-clap PRIVATE ${clap_ui})

    # Compiled inside each format's binary, where that format's instance access is known.
    foreach(target Sorvell-jack Sorvell-vst3 Sorvell-clap Sorvell-lv2-ui)
        target_sources(${target} PRIVATE ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/InstanceAccess.cpp)
    endforeach()
    foreach(target dgl-cairo Sorvell-lv2-ui)
        target_compile_options(${target} PRIVATE -w)
    endforeach()
    add_dependencies(sorvell_plugins Sorvell-lv2-ui)
endfunction()
