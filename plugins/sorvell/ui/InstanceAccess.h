// The running instance's feed, where the format puts window and plugin in one binary (the JACK
// app, VST3, CLAP) or the LV2 host gives the window instance access (the LV2 window lives in a
// binary of its own); null elsewhere. Asked in the window's constructor. This file is compiled
// into each format's binary, so it sees that format's setting.
#pragma once

#include "AnalysisFeed.h"
#include "DistrhoUI.hpp"

START_NAMESPACE_DISTRHO

const quendra::plugin::AnalysisFeed* analysisFeedOf(UI& ui) noexcept;

END_NAMESPACE_DISTRHO
