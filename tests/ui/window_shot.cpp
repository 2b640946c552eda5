// Screenshots of the plugin window for the window tests, and the checks made on them.
//   window_shot grab OUT.png WIDTH HEIGHT   the first window of that size on $DISPLAY, as PNG
//   window_shot blank IN.png                fails when the picture is (nearly) one colour
//   window_shot differ A.png B.png X0 Y0 X1 Y1
//                                           fails unless A and B differ inside the box given
//                                           as fractions of the picture, and differ less
//                                           outside it than inside
//   window_shot same A.png B.png X0 Y0 X1 Y1  fails unless A and B are equal inside the box
//   window_shot mouse WIDTH HEIGHT ACTION...  plays mouse actions on that window (XTest), in
//                                           window pixels: click:X,Y  double:X,Y
//                                           drag:X,Y,DX,DY  fine-drag:X,Y,DX,DY (with Shift)
//                                           scroll:X,Y,N (N lines up; negative: down)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace
{

// The deepest viewable window of that size: the plugin's own window rather than a host's
// window around it (whose picture of a child of another depth is undefined).
Window findWindow(Display* display, Window window, int width, int height)
{
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count))
    {
        for (unsigned int i = 0; i < count && found == 0; ++i)
        {
            found = findWindow(display, children[i], width, height);
        }
        XFree(children);
    }
    XWindowAttributes attributes;
    if (found == 0 && XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable && attributes.width == width &&
        attributes.height == height)
    {
        found = window;
    }
    return found;
}

int grab(const char* path, int width, int height)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "no display\n");
        return 2;
    }
    const Window window = findWindow(display, DefaultRootWindow(display), width, height);
    if (window == 0)
    {
        std::fprintf(stderr, "no %dx%d window\n", width, height);
        return 1;
    }
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return 1;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
    {
        auto* row = reinterpret_cast<std::uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x)
        {
            row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu;
        }
    }
    cairo_surface_mark_dirty(surface);
    const bool written = cairo_surface_write_to_png(surface, path) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    XDestroyImage(image);
    XCloseDisplay(display);
    return written ? 0 : 1;
}

struct Picture
{
    cairo_surface_t* surface;
    int width;
    int height;
    std::uint32_t pixel(int x, int y) const
    {
        const auto* data = cairo_image_surface_get_data(surface);
        const int stride = cairo_image_surface_get_stride(surface);
        return reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0xFFFFFFu;
    }
};

Picture load(const char* path)
{
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
    {
        std::fprintf(stderr, "cannot read %s\n", path);
        std::exit(2);
    }
    return {surface, cairo_image_surface_get_width(surface),
            cairo_image_surface_get_height(surface)};
}

int blank(const char* path)
{
    const Picture picture = load(path);
    std::set<std::uint32_t> colours;
    for (int y = 0; y < picture.height; y += 2)
    {
        for (int x = 0; x < picture.width; x += 2)
        {
            colours.insert(picture.pixel(x, y));
        }
    }
    std::printf("%s: %zu colours\n", path, colours.size());
    return colours.size() >= 64 ? 0 : 1;
}

int differ(const char* pathA, const char* pathB, double x0, double y0, double x1, double y1)
{
    const Picture a = load(pathA);
    const Picture b = load(pathB);
    if (a.width != b.width || a.height != b.height)
    {
        std::fprintf(stderr, "sizes differ\n");
        return 1;
    }
    long inside = 0;
    long insideTotal = 0;
    long outside = 0;
    long outsideTotal = 0;
    for (int y = 0; y < a.height; ++y)
    {
        for (int x = 0; x < a.width; ++x)
        {
            const bool in =
                x >= x0 * a.width && x < x1 * a.width && y >= y0 * a.height && y < y1 * a.height;
            const bool changed = a.pixel(x, y) != b.pixel(x, y);
            (in ? insideTotal : outsideTotal) += 1;
            (in ? inside : outside) += changed ? 1 : 0;
        }
    }
    const double insideShare = static_cast<double>(inside) / static_cast<double>(insideTotal);
    const double outsideShare =
        outsideTotal > 0 ? static_cast<double>(outside) / static_cast<double>(outsideTotal) : 0.0;
    std::printf("changed: %.4f of the box, %.4f outside it\n", insideShare, outsideShare);
    return insideShare > 0.01 && insideShare > outsideShare ? 0 : 1;
}

} // namespace

int same(const char* pathA, const char* pathB, double x0, double y0, double x1, double y1)
{
    const Picture a = load(pathA);
    const Picture b = load(pathB);
    long changed = 0;
    for (int y = static_cast<int>(y0 * a.height); y < static_cast<int>(y1 * a.height); ++y)
    {
        for (int x = static_cast<int>(x0 * a.width); x < static_cast<int>(x1 * a.width); ++x)
        {
            changed += a.pixel(x, y) != b.pixel(x, y) ? 1 : 0;
        }
    }
    std::printf("changed pixels in the box: %ld\n", changed);
    return a.width == b.width && a.height == b.height && changed == 0 ? 0 : 1;
}

void pause(int milliseconds)
{
    usleep(static_cast<useconds_t>(milliseconds) * 1000u);
}

int mouse(int width, int height, int count, char** actions)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        return 2;
    }
    const Window root = DefaultRootWindow(display);
    const Window window = findWindow(display, root, width, height);
    if (window == 0)
    {
        std::fprintf(stderr, "no %dx%d window\n", width, height);
        return 1;
    }
    int originX = 0;
    int originY = 0;
    Window child = 0;
    XTranslateCoordinates(display, window, root, 0, 0, &originX, &originY, &child);
    const auto moveTo = [&](int x, int y)
    {
        XTestFakeMotionEvent(display, -1, originX + x, originY + y, 0);
        XFlush(display);
        pause(15);
    };
    const auto button = [&](unsigned int number, bool press)
    {
        XTestFakeButtonEvent(display, number, press ? True : False, 0);
        XFlush(display);
        pause(15);
    };
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    for (int i = 0; i < count; ++i)
    {
        const std::string action = actions[i];
        const auto colon = action.find(':');
        const std::string verb = action.substr(0, colon);
        int v[4] = {0, 0, 0, 0};
        std::sscanf(action.c_str() + colon + 1, "%d,%d,%d,%d", &v[0], &v[1], &v[2], &v[3]);
        moveTo(v[0], v[1]);
        if (verb == "click" || verb == "double")
        {
            for (int n = 0; n < (verb == "double" ? 2 : 1); ++n)
            {
                button(1, true);
                button(1, false);
                pause(60);
            }
        }
        else if (verb == "drag" || verb == "fine-drag")
        {
            const bool fine = verb == "fine-drag";
            if (fine)
            {
                XTestFakeKeyEvent(display, shift, True, 0);
            }
            button(1, true);
            const int steps = 20;
            for (int s = 1; s <= steps; ++s)
            {
                moveTo(v[0] + v[2] * s / steps, v[1] + v[3] * s / steps);
            }
            button(1, false);
            if (fine)
            {
                XTestFakeKeyEvent(display, shift, False, 0);
            }
        }
        else if (verb == "scroll")
        {
            for (int n = 0; n < std::abs(v[2]); ++n)
            {
                button(v[2] > 0 ? 4 : 5, true);
                button(v[2] > 0 ? 4 : 5, false);
            }
        }
        else
        {
            std::fprintf(stderr, "unknown action %s\n", action.c_str());
            return 2;
        }
        pause(200); // time for the window to redraw
    }
    XCloseDisplay(display);
    return 0;
}

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "grab" && argc == 5)
    {
        return grab(argv[2], std::atoi(argv[3]), std::atoi(argv[4]));
    }
    if (command == "blank" && argc == 3)
    {
        return blank(argv[2]);
    }
    if (command == "differ" && argc == 8)
    {
        return differ(argv[2], argv[3], std::atof(argv[4]), std::atof(argv[5]), std::atof(argv[6]),
                      std::atof(argv[7]));
    }
    if (command == "same" && argc == 8)
    {
        return same(argv[2], argv[3], std::atof(argv[4]), std::atof(argv[5]), std::atof(argv[6]),
                    std::atof(argv[7]));
    }
    if (command == "mouse" && argc >= 5)
    {
        return mouse(std::atoi(argv[2]), std::atoi(argv[3]), argc - 4, argv + 4);
    }
    std::fprintf(stderr, "usage: window_shot grab OUT.png W H | blank IN.png | differ|same A.png "
                         "B.png X0 Y0 X1 Y1 | mouse W H ACTION...\n");
    return 2;
}
