// Screenshots of the plugin window for the window tests, and the checks made on them.
//   window_shot grab OUT.png WIDTH HEIGHT   the first window of that size on $DISPLAY, as PNG
//   window_shot blank IN.png                fails when the picture is (nearly) one colour
//   window_shot differ A.png B.png X0 Y0 X1 Y1
//                                           fails unless A and B differ inside the box given
//                                           as fractions of the picture, and differ less
//                                           outside it than inside
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

namespace
{

Window findWindow(Display* display, Window window, int width, int height)
{
    XWindowAttributes attributes;
    if (XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable &&
        attributes.width == width && attributes.height == height)
    {
        return window;
    }
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
    std::fprintf(stderr, "usage: window_shot grab OUT.png W H | blank IN.png | differ A.png "
                         "B.png X0 Y0 X1 Y1\n");
    return 2;
}
