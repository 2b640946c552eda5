#include "symbols.h"

namespace brindle::korin::symbols
{

tessel_symbol* const empty = gensym("");
tessel_symbol* const box = gensym("box");
tessel_symbol* const nobox = gensym("nobox");
tessel_symbol* const bang = gensym("bang");
tessel_symbol* const int_ = gensym("int");
tessel_symbol* const float_ = gensym("float");
tessel_symbol* const float32 = gensym("float32");
tessel_symbol* const float64 = gensym("float64");
tessel_symbol* const list = gensym("list");
tessel_symbol* const long_ = gensym("long");
tessel_symbol* const symbol = gensym("symbol");
tessel_symbol* const value = gensym("value");
tessel_symbol* const modified = gensym("modified");
tessel_symbol* const size = gensym("size");
tessel_symbol* const time = gensym("time");
tessel_symbol* const getname = gensym("getname");
tessel_symbol* const getmatrix = gensym("getmatrix");
tessel_symbol* const attr_modified = gensym("attr_modified");
tessel_symbol* const preset = gensym("_preset");
tessel_symbol* const binding = gensym("binding");
tessel_symbol* const unbinding = gensym("unbinding");
tessel_symbol* const globalsymbol_binding = gensym("globalsymbol_binding");
tessel_symbol* const globalsymbol_unbinding = gensym("globalsymbol_unbinding");
tessel_symbol* const buffer_modified = gensym("buffer_modified");
tessel_symbol* const style_text = gensym("text");
tessel_symbol* const style_onoff = gensym("onoff");
tessel_symbol* const style_enum = gensym("enum");
tessel_symbol* const style_enumindex = gensym("enumindex");
tessel_symbol* const style_rect = gensym("rect");
tessel_symbol* const style_font = gensym("font");
tessel_symbol* const style_file = gensym("file");
tessel_symbol* const style_rgba = gensym("rgba");
tessel_symbol* const dsp_add64 = gensym("dsp_add64");
tessel_symbol* const signal = gensym("signal");

} // namespace brindle::korin::symbols
