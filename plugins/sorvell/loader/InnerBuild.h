// The plugin's two builds behind a format's loader: the one with the window, which needs the
// display libraries (Cairo, X11), and the one without, which needs none. The loader is the file
// hosts load; it opens the windowed build where the display libraries are installed and the
// windowless one elsewhere, so that a host on a machine without them still loads the plugin.
// Both builds have the same ids, parameters and state.
#pragma once

namespace quendra::plugin
{

inline constexpr const char* kBuildWithWindow = "Sorvell-with-window.so";
inline constexpr const char* kBuildWithoutWindow = "Sorvell-without-window.so";

// Opens (privately, all symbols bound now) the build with window found in the directory, else
// the one without; prints why the first failed. Null when neither opens.
void* openInnerBuild(const char* directory) noexcept;

// The directory of the binary that contains this code (the loader itself), with a trailing '/'.
// Empty when the dynamic linker does not know it.
const char* loaderDirectory() noexcept;

} // namespace quendra::plugin
