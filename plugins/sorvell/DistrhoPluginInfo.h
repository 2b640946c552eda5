// What the plugin framework needs to know about Sorvell at compile time: names, ids, ports,
// and the features the plugin uses (latency, MIDI input), and the window when it is built.
#pragma once

#define DISTRHO_PLUGIN_NAME "Sorvell"
#define DISTRHO_PLUGIN_URI "urn:quendra:sorvell"
#define DISTRHO_PLUGIN_CLAP_ID "quendra.sorvell"

#ifdef SORVELL_WITH_UI
#define DISTRHO_PLUGIN_HAS_UI 1
#define DISTRHO_UI_USE_CAIRO 1
#define DISTRHO_UI_USER_RESIZABLE 1
// The window reaches the running instance where both share a binary; the LV2 window has its
// own binary, so that hosts load the DSP without any display library.
#ifdef DISTRHO_PLUGIN_TARGET_LV2
#define DISTRHO_PLUGIN_WANT_DIRECT_ACCESS 0
#else
#define DISTRHO_PLUGIN_WANT_DIRECT_ACCESS 1
#endif
#else
#define DISTRHO_PLUGIN_HAS_UI 0
#endif
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_IS_SYNTH 0
#define DISTRHO_PLUGIN_NUM_INPUTS 2
#define DISTRHO_PLUGIN_NUM_OUTPUTS 2
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 1
// Two framework features are switched on per format, each in its own build of the plugin
// class, because the LV2 build must have neither (headless LV2 renderers refuse plugins with
// state or programs, and programs with state break the generated LV2 presets):
// - state for CLAP and VST3: the tuning's texts (and for CLAP hosts the only way to save
//   parameter values: the wrapper offers its state extension only with framework state on);
//   the plugin reports what it keeps (full state), so a text it refused is never saved;
// - programs for VST3: the factory presets as the plugin's program list.
#ifdef SORVELL_PLUGIN_WITH_STATE
#define DISTRHO_PLUGIN_WANT_STATE 1
#define DISTRHO_PLUGIN_WANT_FULL_STATE 1
#else
#define DISTRHO_PLUGIN_WANT_STATE 0
#endif
#ifdef SORVELL_PLUGIN_WITH_PROGRAMS
#define DISTRHO_PLUGIN_WANT_PROGRAMS 1
#else
#define DISTRHO_PLUGIN_WANT_PROGRAMS 0
#endif

#define DISTRHO_PLUGIN_LV2_CATEGORY "lv2:SpectralPlugin"
#define DISTRHO_PLUGIN_VST3_CATEGORIES "Fx|Filter|Stereo"
#define DISTRHO_PLUGIN_CLAP_FEATURES "audio-effect", "filter", "stereo"
