// The object class `sorvell`: a spectral processor which uses spectral resonances and pitched
// overtones to add tonal character to any audio source, as a host object. The binding template
// supplies the engine, the ports, "reset", the perform routine and the `mix` attribute; this
// class adds the other thirteen attributes from the shared parameter table, each bound to its
// engine setter, and the prepare callback. Construction allocates (main thread only).
#pragma once

#include "korin/symbols.h"
#include "quendra/dsp_wrapper.h"

#include <quendra/dsp/Vantor.h>

#include <string>
#include <vector>

class sorvell : public brindle::quendra::dsp_wrapper<sorvell, quendra::dravel::vantor::Vantor, 2, 2>
{
public:
    enum class modulation_mode
    {
        none = 0,
        chorus = 1,
        wandering = 2,
        granular = 3
    };

    sorvell();

    std::string description_text() const override
    {
        return "A spectral processor which uses spectral resonances and pitched overtones to add "
               "tonal character to any audio source.";
    }
    std::string author_text() const override { return "Brindle"; }

private:
    std::vector<std::string> mModulationModeNames; // from the parameter table
};
