# Sorvell's window (Cairo on X11, and on Windows Cairo on Win32: the same drawing). The parts
# without drawing (comb model, axis, spectrum, value texts, layout) are a plain library that is
# always built and tested; the window itself joins the plugin only when Cairo (and on Linux
# X11) is there. Included by the plugin's CMakeLists before
# dpf_add_plugin (SORVELL_WINDOW_ARGS goes into that call); sorvell_window_targets() after
# every format target exists.
add_library(sorvell_analysis STATIC ${CMAKE_CURRENT_LIST_DIR}/../AnalysisFeed.cpp)
target_include_directories(sorvell_analysis PUBLIC ${CMAKE_CURRENT_LIST_DIR}/..)
target_link_libraries(sorvell_analysis PUBLIC quendra_dsp)

add_library(sorvell_ui_core STATIC
    ${CMAKE_CURRENT_LIST_DIR}/CombModel.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ControlLayout.cpp
    ${CMAKE_CURRENT_LIST_DIR}/FrequencyAxis.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ParameterScale.cpp
    ${CMAKE_CURRENT_LIST_DIR}/SpectrumAnalyser.cpp
    ${CMAKE_CURRENT_LIST_DIR}/TuningFile.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ValueText.cpp)
target_include_directories(sorvell_ui_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(sorvell_ui_core PUBLIC sorvell_processor)

option(SORVELL_BUILD_WINDOW "Build the plugin window (needs Cairo, and X11 on Linux)" ON)
set(SORVELL_WINDOW_ARGS)
# Windows draws through Cairo's Win32 surface (scripts/windows-deps builds Cairo); the window
# system there is Windows' own.
if(WIN32)
    set(sorvell_window_modules cairo)
else()
    set(sorvell_window_modules cairo x11)
endif()
if(SORVELL_BUILD_WINDOW)
    pkg_check_modules(SORVELL_WINDOW_DEPS ${sorvell_window_modules})
    if(SORVELL_WINDOW_DEPS_FOUND)
        set(SORVELL_WINDOW_ARGS UI_TYPE cairo FILES_UI ${CMAKE_CURRENT_LIST_DIR}/SorvellUI.cpp)
    else()
        message(STATUS "plugins: no Cairo/X11 development files; the plugin has no window")
    endif()
endif()

function(sorvell_window_targets)
    # The formats with hand-made builds of the plugin class (the modules, the windowless JACK app).
    set(module_dsps)
    set(window_formats)
    foreach(format vst3 clap jack)
        foreach(variant -bare -window)
            if(TARGET Sorvell-dsp-${format}${variant})
                list(APPEND module_dsps Sorvell-dsp-${format}${variant})
            endif()
        endforeach()
        if(TARGET Sorvell-${format}-window)
            list(APPEND window_formats ${format})
        endif()
    endforeach()
    foreach(dsp Sorvell-dsp ${module_dsps})
        target_link_libraries(${dsp} PUBLIC sorvell_analysis)
    endforeach()
    if(NOT SORVELL_WINDOW_ARGS)
        return()
    endif()
    # The window is on in every build but the hand-made modules' windowless ones.
    foreach(target Sorvell-dsp Sorvell-ui)
        target_compile_definitions(${target} PUBLIC SORVELL_WITH_UI)
    endforeach()
    # What the window draws, in Cairo alone; the window class (SorvellUI.cpp) puts it together.
    set(ui_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
    add_library(sorvell_ui_drawing STATIC ${ui_dir}/Painting.cpp ${ui_dir}/HeaderDrawing.cpp
                                          ${ui_dir}/DisplayDrawing.cpp ${ui_dir}/ControlDrawing.cpp
                                          ${ui_dir}/TuningStrip.cpp ${ui_dir}/WindowTop.cpp)
    target_include_directories(sorvell_ui_drawing PUBLIC ${SORVELL_WINDOW_DEPS_INCLUDE_DIRS})
    target_link_libraries(sorvell_ui_drawing PUBLIC sorvell_ui_core
                                                    ${SORVELL_WINDOW_DEPS_LINK_LIBRARIES})
    target_link_libraries(Sorvell-ui PUBLIC sorvell_ui_drawing sorvell_analysis)
    target_include_directories(Sorvell-ui PUBLIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR})

    # Each hand-made module with window takes the window's main too, and a window built with the
    # same settings as its plugin class (the framework's window class changes with them).
    foreach(format ${window_formats})
        target_compile_definitions(Sorvell-dsp-${format}-window PUBLIC SORVELL_WITH_UI)
        add_library(Sorvell-ui-${format} STATIC ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/SorvellUI.cpp)
        get_target_property(definitions Sorvell-dsp-${format}-window
                            INTERFACE_COMPILE_DEFINITIONS)
        target_compile_definitions(Sorvell-ui-${format} PUBLIC ${definitions})
        target_link_libraries(Sorvell-ui-${format} PUBLIC Sorvell dgl-cairo sorvell_ui_drawing
                                                          sorvell_analysis ${CMAKE_DL_LIBS})
        target_include_directories(Sorvell-ui-${format} PUBLIC
                                   ${CMAKE_CURRENT_FUNCTION_LIST_DIR})
        set_target_properties(Sorvell-ui-${format} PROPERTIES
            C_VISIBILITY_PRESET hidden
            CXX_VISIBILITY_PRESET hidden
            VISIBILITY_INLINES_HIDDEN ON)
        target_sources(Sorvell-${format}-window PRIVATE
                       ${SORVELL_DPF_DIR}/distrho/DistrhoUIMain.cpp)
        target_link_libraries(Sorvell-${format}-window PRIVATE Sorvell-ui-${format})
    endforeach()

    # Compiled inside each format's binary, where that format's instance access is known.
    foreach(target Sorvell-jack Sorvell-lv2-ui Sorvell-vst3-window Sorvell-clap-window)
        if(TARGET ${target})
            target_sources(${target} PRIVATE
                           ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/InstanceAccess.cpp)
        endif()
    endforeach()
    foreach(target dgl-cairo Sorvell-lv2-ui)
        if(TARGET ${target})
            target_compile_options(${target} PRIVATE -w)
        endif()
    endforeach()
    if(NOT TARGET Sorvell-lv2)
        return()
    endif()
    # The LV2 plugin and window pass the feed through the host's instance access (lv2/): each
    # wraps the framework's descriptor, whose function is renamed for that.
    set(lv2_dir ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../lv2)
    foreach(side plugin window)
        set(access sorvell_lv2_${side}_access)
        if(side STREQUAL "plugin")
            add_library(${access} OBJECT ${lv2_dir}/Lv2PluginAccess.cpp)
            set(binary Sorvell-lv2)
            set(renamed lv2_descriptor=framework_lv2_descriptor)
        else()
            add_library(${access} OBJECT ${lv2_dir}/Lv2WindowAccess.cpp)
            set(binary Sorvell-lv2-ui)
            set(renamed lv2ui_descriptor=framework_lv2ui_descriptor)
        endif()
        target_include_directories(${access} PUBLIC ${lv2_dir})
        target_include_directories(${access} SYSTEM PUBLIC ${SORVELL_DPF_DIR}/distrho/src)
        target_link_libraries(${access} PUBLIC sorvell_analysis)
        target_link_libraries(${binary} PRIVATE ${access})
        target_compile_definitions(${binary} PRIVATE ${renamed})
    endforeach()
    add_custom_command(TARGET Sorvell-lv2 POST_BUILD
        COMMAND ${CMAKE_COMMAND} -DTTL=${PROJECT_BINARY_DIR}/bin/Sorvell.lv2/Sorvell_ui.ttl
                -P ${lv2_dir}/DeclareWindowFeatures.cmake
        VERBATIM)

    add_dependencies(sorvell_plugins Sorvell-lv2-ui)
endfunction()
