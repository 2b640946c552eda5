// The part of Cairo the plugin window draws with, drawn on the page's Canvas 2D instead: the
// window's drawing code compiles unchanged into the module and draws the page's display. The
// calls go to the page through the module's "canvas" imports (web/js/canvas.js); Cairo's
// path and source rules are kept where Canvas differs (see CanvasCairo.cpp).
#pragma once

typedef struct CanvasCairo cairo_t;
typedef struct CanvasPattern cairo_pattern_t;

typedef struct
{
    double x_bearing, y_bearing, width, height, x_advance, y_advance;
} cairo_text_extents_t;

typedef enum
{
    CAIRO_FONT_SLANT_NORMAL,
    CAIRO_FONT_SLANT_ITALIC,
    CAIRO_FONT_SLANT_OBLIQUE
} cairo_font_slant_t;

typedef enum
{
    CAIRO_FONT_WEIGHT_NORMAL,
    CAIRO_FONT_WEIGHT_BOLD
} cairo_font_weight_t;

typedef enum
{
    CAIRO_LINE_CAP_BUTT,
    CAIRO_LINE_CAP_ROUND,
    CAIRO_LINE_CAP_SQUARE
} cairo_line_cap_t;

// The page's one drawing context; the page points its canvas imports at the canvas to draw.
cairo_t* canvas_cairo_context();

void cairo_save(cairo_t* cr);
void cairo_restore(cairo_t* cr);
void cairo_scale(cairo_t* cr, double sx, double sy);

void cairo_new_path(cairo_t* cr);
void cairo_new_sub_path(cairo_t* cr);
void cairo_move_to(cairo_t* cr, double x, double y);
void cairo_line_to(cairo_t* cr, double x, double y);
void cairo_arc(cairo_t* cr, double xc, double yc, double radius, double angle1, double angle2);
void cairo_rectangle(cairo_t* cr, double x, double y, double width, double height);
void cairo_close_path(cairo_t* cr);

void cairo_fill(cairo_t* cr);
void cairo_fill_preserve(cairo_t* cr);
void cairo_stroke(cairo_t* cr);
void cairo_clip(cairo_t* cr);
void cairo_paint(cairo_t* cr);

void cairo_set_source_rgba(cairo_t* cr, double red, double green, double blue, double alpha);
void cairo_set_source(cairo_t* cr, cairo_pattern_t* source);
void cairo_set_line_width(cairo_t* cr, double width);
void cairo_set_line_cap(cairo_t* cr, cairo_line_cap_t cap);

cairo_pattern_t* cairo_pattern_create_linear(double x0, double y0, double x1, double y1);
void cairo_pattern_add_color_stop_rgb(cairo_pattern_t* pattern, double offset, double red,
                                      double green, double blue);
void cairo_pattern_add_color_stop_rgba(cairo_pattern_t* pattern, double offset, double red,
                                       double green, double blue, double alpha);
void cairo_pattern_destroy(cairo_pattern_t* pattern);

void cairo_select_font_face(cairo_t* cr, const char* family, cairo_font_slant_t slant,
                            cairo_font_weight_t weight);
void cairo_set_font_size(cairo_t* cr, double size);
// Only the advance is measured; the other extents are zero.
void cairo_text_extents(cairo_t* cr, const char* utf8, cairo_text_extents_t* extents);
void cairo_show_text(cairo_t* cr, const char* utf8);
