// Symbol constants of the framework, interned once when the module is loaded (static
// initialisation, before ext_main) and compared by identity afterwards.
#pragma once

#include "tessel/tessel_api.h"

namespace brindle::korin::symbols
{

extern tessel_symbol* const empty;
extern tessel_symbol* const box;
extern tessel_symbol* const nobox;
extern tessel_symbol* const bang;
extern tessel_symbol* const int_;
extern tessel_symbol* const float_;
extern tessel_symbol* const float32;
extern tessel_symbol* const float64;
extern tessel_symbol* const list;
extern tessel_symbol* const long_;
extern tessel_symbol* const symbol;
extern tessel_symbol* const value;
extern tessel_symbol* const modified;
extern tessel_symbol* const size;
extern tessel_symbol* const time;
extern tessel_symbol* const getname;
extern tessel_symbol* const getmatrix;
extern tessel_symbol* const attr_modified;
extern tessel_symbol* const preset;
extern tessel_symbol* const binding;
extern tessel_symbol* const unbinding;
extern tessel_symbol* const globalsymbol_binding;
extern tessel_symbol* const globalsymbol_unbinding;
extern tessel_symbol* const buffer_modified;
extern tessel_symbol* const style_text;
extern tessel_symbol* const style_onoff;
extern tessel_symbol* const style_enum;
extern tessel_symbol* const style_enumindex;
extern tessel_symbol* const style_rect;
extern tessel_symbol* const style_font;
extern tessel_symbol* const style_file;
extern tessel_symbol* const style_rgba;
extern tessel_symbol* const dsp_add64;
extern tessel_symbol* const signal;

} // namespace brindle::korin::symbols
