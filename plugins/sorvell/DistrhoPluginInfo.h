// What the plugin framework needs to know about Sorvell at compile time: names, ids, ports,
// and the features the plugin uses (latency, MIDI input). No UI here; the DSP side stands alone.
#pragma once

#define DISTRHO_PLUGIN_NAME "Sorvell"
#define DISTRHO_PLUGIN_URI "urn:quendra:sorvell"
#define DISTRHO_PLUGIN_CLAP_ID "quendra.sorvell"

#define DISTRHO_PLUGIN_HAS_UI 0
#define DISTRHO_PLUGIN_IS_RT_SAFE 1
#define DISTRHO_PLUGIN_IS_SYNTH 0
#define DISTRHO_PLUGIN_NUM_INPUTS 2
#define DISTRHO_PLUGIN_NUM_OUTPUTS 2
#define DISTRHO_PLUGIN_WANT_LATENCY 1
#define DISTRHO_PLUGIN_WANT_MIDI_INPUT 1
// Two framework features are switched on per format, each in its own build of the plugin
// class, because the LV2 build must have neither (headless LV2 renderers refuse plugins with
// state or programs, and programs with state break the generated LV2 presets):
// - state for CLAP: the wrapper offers CLAP hosts its state extension, their only way to save
//   parameter values, only with framework state on;
// - programs for VST3: the factory presets as the plugin's program list.
#ifdef SORVELL_PLUGIN_WITH_STATE
#define DISTRHO_PLUGIN_WANT_STATE 1
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
