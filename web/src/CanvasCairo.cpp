// The Cairo calls of the window's drawing code, on the page's Canvas 2D. Canvas keeps a path
// after filling or stroking it and has two sources where Cairo has one, so: fill, stroke and
// clip start a new path unless Cairo's call preserves it, and a source sets both styles. An
// arc after new_sub_path starts its own subpath instead of joining the current point.
#include <cairo.h>

#include <cmath>
#include <cstring>

#define CANVAS_IMPORT(name) __attribute__((import_module("canvas"), import_name(#name)))

extern "C"
{
    CANVAS_IMPORT(save) void canvasSave();
    CANVAS_IMPORT(restore) void canvasRestore();
    CANVAS_IMPORT(scale) void canvasScale(double sx, double sy);
    CANVAS_IMPORT(beginPath) void canvasBeginPath();
    CANVAS_IMPORT(moveTo) void canvasMoveTo(double x, double y);
    CANVAS_IMPORT(lineTo) void canvasLineTo(double x, double y);
    CANVAS_IMPORT(arc) void canvasArc(double xc, double yc, double radius, double a1, double a2);
    CANVAS_IMPORT(rect) void canvasRect(double x, double y, double width, double height);
    CANVAS_IMPORT(closePath) void canvasClosePath();
    CANVAS_IMPORT(fill) void canvasFill();
    CANVAS_IMPORT(stroke) void canvasStroke();
    CANVAS_IMPORT(clip) void canvasClip();
    CANVAS_IMPORT(paint) void canvasPaint();
    CANVAS_IMPORT(setColour) void canvasSetColour(double r, double g, double b, double a);
    CANVAS_IMPORT(setGradient) void canvasSetGradient(int gradient);
    CANVAS_IMPORT(setLineWidth) void canvasSetLineWidth(double width);
    CANVAS_IMPORT(setLineCap) void canvasSetLineCap(int cap);
    CANVAS_IMPORT(createGradient)
    int canvasCreateGradient(double x0, double y0, double x1, double y1);
    CANVAS_IMPORT(addStop)
    void canvasAddStop(int gradient, double offset, double r, double g, double b, double a);
    CANVAS_IMPORT(deleteGradient) void canvasDeleteGradient(int gradient);
    CANVAS_IMPORT(setFont) void canvasSetFont(double size, int bold);
    CANVAS_IMPORT(textWidth) double canvasTextWidth(const char* utf8, int length);
    CANVAS_IMPORT(fillText) void canvasFillText(const char* utf8, int length, double x, double y);
}

struct CanvasCairo
{
    double x = 0.0; // the current point, where text starts
    double y = 0.0;
    bool newSubPath = false;
    bool bold = false;
    double fontSize = 10.0;
};

struct CanvasPattern
{
    int gradient;
};

cairo_t* canvas_cairo_context()
{
    static CanvasCairo context;
    return &context;
}

void cairo_save(cairo_t*)
{
    canvasSave();
}
void cairo_restore(cairo_t*)
{
    canvasRestore();
}
void cairo_scale(cairo_t*, double sx, double sy)
{
    canvasScale(sx, sy);
}

void cairo_new_path(cairo_t* cr)
{
    cr->newSubPath = false;
    canvasBeginPath();
}

void cairo_new_sub_path(cairo_t* cr)
{
    cr->newSubPath = true;
}

void cairo_move_to(cairo_t* cr, double x, double y)
{
    cr->x = x;
    cr->y = y;
    cr->newSubPath = false;
    canvasMoveTo(x, y);
}

void cairo_line_to(cairo_t* cr, double x, double y)
{
    cr->x = x;
    cr->y = y;
    canvasLineTo(x, y);
}

void cairo_arc(cairo_t* cr, double xc, double yc, double radius, double angle1, double angle2)
{
    if (cr->newSubPath)
    {
        canvasMoveTo(xc + radius * std::cos(angle1), yc + radius * std::sin(angle1));
        cr->newSubPath = false;
    }
    canvasArc(xc, yc, radius, angle1, angle2);
    cr->x = xc + radius * std::cos(angle2);
    cr->y = yc + radius * std::sin(angle2);
}

void cairo_rectangle(cairo_t* cr, double x, double y, double width, double height)
{
    cr->x = x;
    cr->y = y;
    cr->newSubPath = false;
    canvasRect(x, y, width, height);
}

void cairo_close_path(cairo_t*)
{
    canvasClosePath();
}

void cairo_fill(cairo_t* cr)
{
    canvasFill();
    cairo_new_path(cr);
}

void cairo_fill_preserve(cairo_t*)
{
    canvasFill();
}

void cairo_stroke(cairo_t* cr)
{
    canvasStroke();
    cairo_new_path(cr);
}

void cairo_clip(cairo_t* cr)
{
    canvasClip();
    cairo_new_path(cr);
}

void cairo_paint(cairo_t*)
{
    canvasPaint();
}

void cairo_set_source_rgba(cairo_t*, double red, double green, double blue, double alpha)
{
    canvasSetColour(red, green, blue, alpha);
}

void cairo_set_source(cairo_t*, cairo_pattern_t* source)
{
    canvasSetGradient(source->gradient);
}
void cairo_set_line_width(cairo_t*, double width)
{
    canvasSetLineWidth(width);
}
void cairo_set_line_cap(cairo_t*, cairo_line_cap_t cap)
{
    canvasSetLineCap(cap);
}

cairo_pattern_t* cairo_pattern_create_linear(double x0, double y0, double x1, double y1)
{
    return new CanvasPattern{canvasCreateGradient(x0, y0, x1, y1)};
}

void cairo_pattern_add_color_stop_rgb(cairo_pattern_t* pattern, double offset, double red,
                                      double green, double blue)
{
    canvasAddStop(pattern->gradient, offset, red, green, blue, 1.0);
}

void cairo_pattern_add_color_stop_rgba(cairo_pattern_t* pattern, double offset, double red,
                                       double green, double blue, double alpha)
{
    canvasAddStop(pattern->gradient, offset, red, green, blue, alpha);
}

void cairo_pattern_destroy(cairo_pattern_t* pattern)
{
    canvasDeleteGradient(pattern->gradient);
    delete pattern;
}

void cairo_select_font_face(cairo_t* cr, const char*, cairo_font_slant_t,
                            cairo_font_weight_t weight)
{
    cr->bold = weight == CAIRO_FONT_WEIGHT_BOLD;
    canvasSetFont(cr->fontSize, cr->bold ? 1 : 0);
}

void cairo_set_font_size(cairo_t* cr, double size)
{
    cr->fontSize = size;
    canvasSetFont(cr->fontSize, cr->bold ? 1 : 0);
}

void cairo_text_extents(cairo_t*, const char* utf8, cairo_text_extents_t* extents)
{
    *extents = {};
    extents->x_advance = canvasTextWidth(utf8, static_cast<int>(std::strlen(utf8)));
    extents->width = extents->x_advance;
}

void cairo_show_text(cairo_t* cr, const char* utf8)
{
    canvasFillText(utf8, static_cast<int>(std::strlen(utf8)), cr->x, cr->y);
    cr->x += canvasTextWidth(utf8, static_cast<int>(std::strlen(utf8)));
}
