#include "FloatWavHeader.h"

#include "ToolError.h"
#include "platform/System.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

namespace quendra::renderer
{

namespace
{

using File = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

constexpr std::uint16_t kIeeeFloat = 3;

std::uint32_t little32(const unsigned char* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | std::uint32_t(bytes[3]) << 24;
}

void putLittle32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

[[noreturn]] void fail(const std::string& path)
{
    throw ToolError("cannot write '" + path + "': " + std::strerror(errno));
}

} // namespace

void extendFloatFormatChunk(const std::string& path)
{
    File in(platform::openFile(path, "rb"), &std::fclose);
    if (!in)
        fail(path);
    unsigned char header[12 + 8 + 16];
    if (std::fread(header, 1, sizeof header, in.get()) != sizeof header ||
        std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 12, "fmt ", 4) != 0 ||
        little32(header + 16) != 16 || (header[20] | header[21] << 8) != kIeeeFloat)
    {
        return;
    }

    const std::string extended = path + ".fmt";
    File out(platform::openFile(extended, "wb"), &std::fclose);
    if (!out)
    {
        const int code = errno;
        platform::removeFile(extended);
        errno = code;
        fail(path);
    }
    platform::matchPermissions(fileno(out.get()), path);
    putLittle32(header + 4, little32(header + 4) + 2); // the RIFF size
    putLittle32(header + 16, 18);                      // the format chunk's
    const unsigned char extensionSize[2] = {0, 0};
    bool ok = std::fwrite(header, 1, sizeof header, out.get()) == sizeof header &&
              std::fwrite(extensionSize, 1, 2, out.get()) == 2;
    std::vector<char> buffer(1 << 16);
    while (ok)
    {
        const std::size_t n = std::fread(buffer.data(), 1, buffer.size(), in.get());
        if (n == 0)
            break;
        ok = std::fwrite(buffer.data(), 1, n, out.get()) == n;
    }
    ok = ok && !std::ferror(in.get()) && std::fflush(out.get()) == 0;
    in.reset();
    out.reset();
    const std::string reason = ok ? platform::replaceFile(extended, path) : std::string();
    if (!reason.empty())
    {
        platform::removeFile(extended);
        throw ToolError("cannot write '" + path + "': " + reason);
    }
    if (!ok)
    {
        const int code = errno;
        platform::removeFile(extended);
        errno = code;
        fail(path);
    }
}

} // namespace quendra::renderer
